#include "ObjetosConsulta.h"

#include "tests/layout/EmpresaInstalada.h"

QString empresaConObjetos(const QString& folder, const QString& fileName)
{
    return pruebas::empresaInstalada(folder, fileName);
}
