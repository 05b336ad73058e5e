#include "VentanasConexion.h"
#include "connections/uEmpresa.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "platform/MessageBox.h"
#include "tests/support/AlAbrirse.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class Tdm;
class TfrmEmpresa;

class TestEmpresa : public QObject {
    Q_OBJECT
public:
    TestEmpresa();
    ~TestEmpresa() override;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void forma();
    void empresasDelUsuario_data();
    void empresasDelUsuario();
    void posicionRecordada_data();
    void posicionRecordada();
    void aceptar_data();
    void aceptar();
    void modal();
    void eleccionVaciaPita_data();
    void eleccionVaciaPita();
    void cancelar_data();
    void cancelar();
    void falloAlLlenar_data();
    void falloAlLlenar();

private:
    void entrar(const QString& usuario);
    QStringList lista() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_sistema;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<Sesion> m_sesion;
    std::unique_ptr<TfrmEmpresa> m_ventana;
};

namespace {

using prueba::el;

// The ERP role for every user of the fixture (and two that it does not have), so that the
// embedded engine, which trusts the name, lets them read the user and company tables.
const QString kRoles = QStringLiteral("GRANT USUARIO_MICROSIP TO \"ADMIN\";\n"
                                      "GRANT USUARIO_MICROSIP TO CAJERO;\n"
                                      "GRANT USUARIO_MICROSIP TO A_MIN;\n"
                                      "GRANT USUARIO_MICROSIP TO VENDEDOR;\n"
                                      "GRANT USUARIO_MICROSIP TO GERENTE;\n"
                                      "GRANT USUARIO_MICROSIP TO NUEVO;\n"
                                      "GRANT USUARIO_MICROSIP TO ADMI_;\n"
                                      "GRANT USUARIO_MICROSIP TO NADIE;\n");

void clicEnFila(QListWidget* lista, int fila)
{
    const QPoint centro = lista->visualItemRect(lista->item(fila)).center();
    QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, centro);
}

} // namespace

TestEmpresa::TestEmpresa() = default;
TestEmpresa::~TestEmpresa() = default;

void TestEmpresa::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
}

void TestEmpresa::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_sistema = testsupport::systemDatabase(m_dir->path());
    testsupport::runSql(testsupport::embeddedParams(m_sistema), kRoles);
    m_avisos = std::make_unique<platform::RecordingNotifier>();
    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    m_sesion = std::make_unique<Sesion>();
    m_ventana = std::make_unique<TfrmEmpresa>(*m_dm, *m_sesion);
}

void TestEmpresa::cleanup()
{
    m_ventana.reset();
    m_sesion.reset();
    m_dm.reset();
    m_avisos.reset();
    m_dir.reset();
}

// What the login leaves: a local connection on the fixture's data folder.
void TestEmpresa::entrar(const QString& usuario)
{
    DatosConexion& d = m_sesion->datos;
    d.TipoAcceso = QStringLiteral("1");
    d.CarpetaDatos = m_dir->path() + QLatin1Char('/');
    d.RutaMostrada = d.CarpetaDatos;
    d.RutaSistema = m_sistema;
    d.Usuario = usuario;
    d.Contrasena = QStringLiteral("x");
    m_ventana->show();
}

QStringList TestEmpresa::lista() const
{
    auto* lt = m_ventana->findChild<QListWidget*>(QStringLiteral("LT"));
    QStringList nombres;
    for (int i = 0; i < lt->count(); ++i)
        nombres << lt->item(i)->text();
    return nombres;
}

void TestEmpresa::forma()
{
    TfrmEmpresa& w = *m_ventana;
    QCOMPARE(w.windowTitle(), QStringLiteral("Seleccione la Empresa"));
    QCOMPARE(w.size(), QSize(336, 192));
    QVERIFY(
        !(w.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(el<QLabel>(w, "Label1")->text(), QStringLiteral("Seleccione la empresa con la que desea trabajar"));
    QCOMPARE(el<QWidget>(w, "LT")->geometry(), QRect(8, 24, 233, 163));
    QCOMPARE(el<QWidget>(w, "btnAceptar")->geometry(), QRect(247, 25, 75, 25));
    QCOMPARE(el<QWidget>(w, "btnCancel")->geometry(), QRect(247, 56, 75, 25));
    QCOMPARE(el<QListWidget>(w, "LT")->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(prueba::ordenDeTabulacion(w, QStringLiteral("LT"), 3),
             (QStringList{QStringLiteral("LT"), QStringLiteral("btnAceptar"), QStringLiteral("btnCancel")}));
}

void TestEmpresa::empresasDelUsuario_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<QStringList>("empresas");

    const QStringList todas{QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"), QStringLiteral("SUCURSAL")};
    QTest::newRow("SYSDBA, whose row says N") << "SYSDBA"
                                              << "" << todas;
    QTest::newRow("SYSDBA without a row") << "SYSDBA"
                                          << "DELETE FROM USUARIOS WHERE NOMBRE = 'SYSDBA';" << todas;
    QTest::newRow("general access T") << "ADMIN"
                                      << "" << todas;
    QTest::newRow("restricted to one company") << "CAJERO"
                                               << "" << QStringList{QStringLiteral("DEMO")};
    // A_MIN as a LIKE pattern matches ADMIN, stored first, and would get every company.
    QTest::newRow("underscore is no wildcard") << "A_MIN"
                                               << "" << QStringList{QStringLiteral("SUCURSAL")};
    QTest::newRow("pattern matching another user only") << "ADMI_"
                                                        << "" << QStringList();
    QTest::newRow("dangling link gives an empty entry") << "VENDEDOR"
                                                        << "" << QStringList{QString(), QStringLiteral("SUCURSAL")};
    QTest::newRow("mixed-case name, lower-case t") << "GERENTE"
                                                   << "" << QStringList{QStringLiteral("EJEMPLO")};
    QTest::newRow("user without companies") << "NUEVO"
                                            << "" << QStringList();
    QTest::newRow("user without a row") << "NADIE"
                                        << "" << QStringList();
    QTest::newRow("general access, sorted without regard to case")
        << "ADMIN"
        << "INSERT INTO EMPRESAS (EMPRESA_ID, NOMBRE_CORTO) VALUES (4, 'cafeteria');"
        << QStringList{QStringLiteral("cafeteria"), QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"),
                       QStringLiteral("SUCURSAL")};
}

void TestEmpresa::empresasDelUsuario()
{
    QFETCH(QString, usuario);
    QFETCH(QString, preparar);
    QFETCH(QStringList, empresas);
    if (!preparar.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(m_sistema), preparar);
    entrar(usuario);
    QCOMPARE(m_avisos->messages.size(), size_t{0});
    QCOMPARE(lista(), empresas);
}

void TestEmpresa::posicionRecordada_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("fila");
    QTest::newRow("first start") << "" << 0;
    QTest::newRow("last company") << R"(Empresa="2")" << 2;
    QTest::newRow("past the end") << R"(Empresa="3")" << -1;
    QTest::newRow("nothing chosen last time") << R"(Empresa="-1")" << -1;
}

void TestEmpresa::posicionRecordada()
{
    QFETCH(QString, config);
    QFETCH(int, fila);
    if (!config.isEmpty()) {
        QFile f(m_dir->filePath(QStringLiteral("config.xml")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("<Config><Conexion %1/></Config>").arg(config).toUtf8());
    }
    entrar(QStringLiteral("SYSDBA"));
    QVERIFY(QTest::qWaitForWindowActive(m_ventana.get()));
    auto* lt = el<QListWidget>(*m_ventana, "LT");
    QCOMPARE(lt->selectedItems().size(), fila >= 0 ? 1 : 0);
    if (fila >= 0)
        QCOMPARE(lt->row(lt->selectedItems().constFirst()), fila);

    // The focus waits on "Aceptar", so Enter takes the preselected company or beeps.
    QCOMPARE(QApplication::focusWidget(), el<QWidget>(*m_ventana, "btnAceptar"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_sesion->EmpresaSeleccionada, fila >= 0);
    QCOMPARE(m_avisos->beeps, fila >= 0 ? 0 : 1);
    if (fila >= 0)
        QCOMPARE(m_sesion->datos.Empresa, lista().at(fila));
}

void TestEmpresa::aceptar_data()
{
    QTest::addColumn<QString>("como");
    QTest::newRow("Aceptar") << "Aceptar";
    QTest::newRow("Enter in the list") << "Enter";
    QTest::newRow("double click") << "double click";
}

void TestEmpresa::aceptar()
{
    QFETCH(QString, como);
    entrar(QStringLiteral("SYSDBA"));
    auto* lt = el<QListWidget>(*m_ventana, "LT");
    clicEnFila(lt, 1);
    QCOMPARE(lt->currentItem()->text(), QStringLiteral("EJEMPLO"));
    QVERIFY(m_ventana->fdConexion.isOpen());

    if (como == QLatin1String("Aceptar")) {
        QTest::mouseClick(el<QPushButton>(*m_ventana, "btnAceptar"), Qt::LeftButton);
    } else if (como == QLatin1String("Enter")) {
        QTest::keyClick(lt, Qt::Key_Return);
    } else {
        const QPoint centro = lt->visualItemRect(lt->item(1)).center();
        QTest::mouseDClick(lt->viewport(), Qt::LeftButton, {}, centro);
    }

    QCOMPARE(m_avisos->beeps, 0);
    QVERIFY(m_sesion->EmpresaSeleccionada);
    QCOMPARE(m_sesion->datos.Empresa, QStringLiteral("EJEMPLO"));
    QVERIFY(!m_ventana->isVisible());
    QCOMPARE(m_ventana->result(), int(QDialog::Accepted));
    QVERIFY(!m_ventana->fdConexion.isOpen());
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Empresa"), 99), 1);
}

// As the start-up runs it: modal, Enter takes the preselected company.
void TestEmpresa::modal()
{
    DatosConexion& d = m_sesion->datos;
    d.TipoAcceso = QStringLiteral("1");
    d.CarpetaDatos = m_dir->path() + QLatin1Char('/');
    d.RutaSistema = m_sistema;
    d.Usuario = QStringLiteral("CAJERO");
    testsupport::AlAbrirse ventana(*m_ventana, [this] {
        QTRY_COMPARE(QApplication::focusWidget(), el<QWidget>(*m_ventana, "btnAceptar"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(m_ventana->exec(), int(QDialog::Accepted));
    QVERIFY(m_sesion->EmpresaSeleccionada);
    QCOMPARE(m_sesion->datos.Empresa, QStringLiteral("DEMO"));
}

void TestEmpresa::eleccionVaciaPita_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<int>("fila"); // clicked before "Aceptar"; -1: none
    QTest::newRow("user without companies") << "NUEVO" << -1;
    QTest::newRow("entry of a dangling link") << "VENDEDOR" << 0;
}

void TestEmpresa::eleccionVaciaPita()
{
    QFETCH(QString, usuario);
    QFETCH(int, fila);
    entrar(usuario);
    if (fila >= 0)
        clicEnFila(el<QListWidget>(*m_ventana, "LT"), fila);
    QTest::mouseClick(el<QPushButton>(*m_ventana, "btnAceptar"), Qt::LeftButton);

    QCOMPARE(m_avisos->beeps, 1);
    QVERIFY(m_ventana->isVisible());
    QVERIFY(!m_sesion->EmpresaSeleccionada);
    QCOMPARE(m_sesion->datos.Empresa, QString());
    // Cancelling is still possible.
    QTest::mouseClick(el<QPushButton>(*m_ventana, "btnCancel"), Qt::LeftButton);
    QVERIFY(!m_ventana->isVisible());
}

void TestEmpresa::cancelar_data()
{
    QTest::addColumn<QString>("como");
    QTest::newRow("Cancelar") << "Cancelar";
    QTest::newRow("Escape") << "Escape";
}

void TestEmpresa::cancelar()
{
    QFETCH(QString, como);
    QFile f(m_dir->filePath(QStringLiteral("config.xml")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"(<Config><Conexion Empresa="2"/></Config>)");
    f.close();
    m_sesion->EmpresaSeleccionada = true;
    entrar(QStringLiteral("SYSDBA"));
    clicEnFila(el<QListWidget>(*m_ventana, "LT"), 0);
    if (como == QLatin1String("Cancelar"))
        QTest::mouseClick(el<QPushButton>(*m_ventana, "btnCancel"), Qt::LeftButton);
    else
        QTest::keyClick(el<QListWidget>(*m_ventana, "LT"), Qt::Key_Escape);

    QVERIFY(!m_sesion->EmpresaSeleccionada);
    QVERIFY(!m_ventana->isVisible());
    QCOMPARE(m_ventana->result(), int(QDialog::Rejected));
    QCOMPARE(m_sesion->datos.Empresa, QString());
    QCOMPARE(m_dm->ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Empresa"), 99), 2);
}

void TestEmpresa::falloAlLlenar_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("preparar");
    QTest::addColumn<bool>("sinBase");
    QTest::newRow("system database missing") << "SYSDBA"
                                             << "" << true;
    QTest::newRow("company table missing") << "SYSDBA"
                                           << "DROP TABLE EMPRESAS;" << false;
    QTest::newRow("user without the ERP role") << "INVITADO"
                                               << "" << false;
}

// The window's own message, then the failure's text in the general report; the window stays
// and can only beep or be cancelled.
void TestEmpresa::falloAlLlenar()
{
    QFETCH(QString, usuario);
    QFETCH(QString, preparar);
    QFETCH(bool, sinBase);
    if (!preparar.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(m_sistema), preparar);
    if (sinBase)
        QVERIFY(QFile::remove(m_sistema));
    entrar(usuario);

    QCOMPARE(m_avisos->messages.size(), size_t{2});
    QCOMPARE(m_avisos->messages[0].text, QStringLiteral("Error al tratar de realizar la conexión"));
    QCOMPARE(m_avisos->messages[0].title, QString());
    QCOMPARE(m_avisos->messages[0].icon, platform::Icon::Error);
    QCOMPARE(m_avisos->messages[1].title, QStringLiteral("Lumivo"));
    QVERIFY(!m_avisos->messages[1].text.isEmpty());
    QVERIFY(m_ventana->isVisible());
    QCOMPARE(lista(), QStringList());

    QTest::mouseClick(el<QPushButton>(*m_ventana, "btnAceptar"), Qt::LeftButton);
    QCOMPARE(m_avisos->beeps, 1);
    QVERIFY(!m_sesion->EmpresaSeleccionada);
}

LUMIVO_TEST_MAIN(TestEmpresa)
#include "tst_empresa.moc"
