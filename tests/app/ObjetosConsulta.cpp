#include "ObjetosConsulta.h"

#include "tests/support/EmpresaInstalada.h"

QString empresaConObjetos(const QString& folder, const QString& fileName)
{
    return pruebas::empresaInstalada(folder, fileName);
}
