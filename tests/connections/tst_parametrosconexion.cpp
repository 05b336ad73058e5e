#include "connections/ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "firebird/Connection.h"
#include "tests/support/PruebaPrincipal.h"

#include <QObject>
#include <QTest>

class TestParametrosConexion : public QObject {
    Q_OBJECT

private slots:
    void lista_data();
    void lista();
    void protocoloNoNumerico_data();
    void protocoloNoNumerico();
    void rutas_data();
    void rutas();
    void carpetaConSeparador_data();
    void carpetaConSeparador();
};

namespace {

DatosConexion datos(const QString& tipo, const QString& servidor, const QString& protocolo, const QString& usuario,
                    const QString& contrasena = QStringLiteral("masterkey"))
{
    DatosConexion d;
    d.TipoAcceso = tipo;
    d.Servidor = servidor;
    d.ProtocoloRed = protocolo;
    d.Usuario = usuario;
    d.Contrasena = contrasena;
    return d;
}

const QString kRuta = QStringLiteral(R"(D:\Datos\System\Config.fdb)");

} // namespace

void TestParametrosConexion::lista_data()
{
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<QString>("protocolo");
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("contrasena");
    QTest::addColumn<QStringList>("esperada");
    QTest::addColumn<QString>("cadena");

    const QString base = QStringLiteral("Database=") + kRuta;
    const QString sysdba = QStringLiteral("user_name=SYSDBA");
    const QString clave = QStringLiteral("password=masterkey");
    const QString rol = QStringLiteral("RoleName=USUARIO_MICROSIP");
    const QString juego = QStringLiteral("CharacterSet= ISO8859_1");
    const QString dialecto = QStringLiteral("SQLDialect= 3");
    const QString driver = QStringLiteral("DriverID=FB");
    const QString srv1 = QStringLiteral("Server=SRV1");

    // Local: six entries for SYSDBA, seven with the role for anyone else.
    QTest::newRow("local SYSDBA") << "1"
                                  << "SRV1"
                                  << "0"
                                  << "SYSDBA"
                                  << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, driver} << kRuta;
    QTest::newRow("local sysdba as the caller upper-cases it")
        << "1"
        << ""
        << "" << QStringLiteral("sysdba").toUpper() << "masterkey"
        << QStringList{base, sysdba, clave, juego, dialecto, driver} << kRuta;
    QTest::newRow("local other user gets the role 4th")
        << "1"
        << ""
        << ""
        << "CAJERO"
        << "masterkey" << QStringList{base, QStringLiteral("user_name=CAJERO"), clave, rol, juego, dialecto, driver}
        << kRuta;
    QTest::newRow("local empty type") << ""
                                      << "SRV1"
                                      << "1"
                                      << "CAJERO"
                                      << "masterkey" << QStringList{base,  QStringLiteral("user_name=CAJERO"),
                                                                    clave, rol,
                                                                    juego, dialecto,
                                                                    driver}
                                      << kRuta;
    QTest::newRow("local -1 type (no choice made)")
        << "-1"
        << "SRV1"
        << "0"
        << "SYSDBA"
        << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, driver} << kRuta;
    QTest::newRow("local ignores a non-numeric protocol")
        << "1"
        << ""
        << "TCP/IP"
        << "SYSDBA"
        << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, driver} << kRuta;
    // The type is compared as text: only "0" is remote.
    QTest::newRow("type 00 is local") << "00"
                                      << "SRV1"
                                      << "0"
                                      << "SYSDBA"
                                      << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, driver}
                                      << kRuta;
    // The comparison is exact: a name that merely contains SYSDBA is another user.
    QTest::newRow("SYSDBA2 is another user")
        << "1"
        << ""
        << ""
        << "SYSDBA2"
        << "masterkey" << QStringList{base, QStringLiteral("user_name=SYSDBA2"), clave, rol, juego, dialecto, driver}
        << kRuta;
    QTest::newRow("lower-case sysdba not upper-cased is another user")
        << "1"
        << ""
        << ""
        << "sysdba"
        << "masterkey" << QStringList{base, QStringLiteral("user_name=sysdba"), clave, rol, juego, dialecto, driver}
        << kRuta;
    QTest::newRow("password kept exactly, blanks and equals signs included")
        << "1"
        << ""
        << ""
        << "SYSDBA"
        << " a=b c " << QStringList{base, sysdba, QStringLiteral("password= a=b c "), juego, dialecto, driver} << kRuta;

    // Remote: protocol entry (if any) then the server, DriverID still last.
    QTest::newRow("remote TCP/IP") << "0"
                                   << "SRV1"
                                   << "0"
                                   << "SYSDBA"
                                   << "masterkey" << QStringList{base,  sysdba,   clave,
                                                                 juego, dialecto, QStringLiteral("Protocol=TCPIP"),
                                                                 srv1,  driver}
                                   << QStringLiteral(R"(SRV1:D:\Datos\System\Config.fdb)");
    QTest::newRow("remote NetBEUI") << "0"
                                    << "SRV1"
                                    << "1"
                                    << "SYSDBA"
                                    << "masterkey" << QStringList{base,  sysdba,   clave,
                                                                  juego, dialecto, QStringLiteral("Protocol=NetBEUI"),
                                                                  srv1,  driver}
                                    << QStringLiteral(R"(\\SRV1\D:\Datos\System\Config.fdb)");
    QTest::newRow("remote SPX with role")
        << "0"
        << "SRV1"
        << "2"
        << "CAJERO"
        << "masterkey" << QStringList{base,     QStringLiteral("user_name=CAJERO"), clave, rol,   juego,
                                      dialecto, QStringLiteral("Protocol=SPX"),     srv1,  driver}
        << QStringLiteral(R"(SRV1@D:\Datos\System\Config.fdb)");
    QTest::newRow("remote code 7: server without protocol")
        << "0"
        << "SRV1"
        << "7"
        << "SYSDBA"
        << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, srv1, driver}
        << QStringLiteral(R"(SRV1:D:\Datos\System\Config.fdb)");
    QTest::newRow("remote code -1: server without protocol")
        << "0"
        << "SRV1"
        << "-1"
        << "SYSDBA"
        << "masterkey" << QStringList{base, sysdba, clave, juego, dialecto, srv1, driver}
        << QStringLiteral(R"(SRV1:D:\Datos\System\Config.fdb)");
}

void TestParametrosConexion::lista()
{
    QFETCH(QString, tipo);
    QFETCH(QString, servidor);
    QFETCH(QString, protocolo);
    QFETCH(QString, usuario);
    QFETCH(QString, contrasena);
    QFETCH(QStringList, esperada);
    QFETCH(QString, cadena);

    const QStringList lista = ParametrosConexion(kRuta, datos(tipo, servidor, protocolo, usuario, contrasena));
    QCOMPARE(lista, esperada);
    QCOMPARE(lista.last(), QStringLiteral("DriverID=FB"));
    QCOMPARE(fb::Connection::attachmentString(lista), cadena);
}

void TestParametrosConexion::protocoloNoNumerico_data()
{
    QTest::addColumn<QString>("protocolo");

    QTest::newRow("protocol name instead of its code") << "TCP/IP";
    QTest::newRow("empty (element missing)") << "";
    QTest::newRow("decimal fraction") << "1.0";
    QTest::newRow("hexadecimal") << "0x1";
    QTest::newRow("beyond a 32-bit integer") << "99999999999";
}

void TestParametrosConexion::protocoloNoNumerico()
{
    QFETCH(QString, protocolo);

    try {
        ParametrosConexion(kRuta,
                           datos(QStringLiteral("0"), QStringLiteral("SRV1"), protocolo, QStringLiteral("SYSDBA")));
        QFAIL("a remote connection with a non-numeric protocol code was accepted");
    } catch (const ErrorConversion& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(QStringLiteral("«%1»").arg(protocolo)), qPrintable(mensaje));
        QVERIFY2(mensaje.contains(QStringLiteral("no es un número entero válido")), qPrintable(mensaje));
    }
}

void TestParametrosConexion::rutas_data()
{
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("empresa");
    QTest::addColumn<QString>("sistema");
    QTest::addColumn<QString>("rutaEmpresa");

    QTest::newRow("Windows folder") << R"(C:\Microsip datos\)"
                                    << "EJEMPLO"
                                    << R"(C:\Microsip datos\System\Config.fdb)"
                                    << R"(C:\Microsip datos\EJEMPLO.fdb)";
    QTest::newRow("Linux folder") << "/srv/microsip/"
                                  << "EMPRESA DEMO"
                                  << "/srv/microsip/System/Config.fdb"
                                  << "/srv/microsip/EMPRESA DEMO.fdb";
    // A folder typed without its final separator gets the one of its own style.
    QTest::newRow("Windows folder without trailing separator") << R"(C:\Datos)"
                                                               << "EJEMPLO"
                                                               << R"(C:\Datos\System\Config.fdb)"
                                                               << R"(C:\Datos\EJEMPLO.fdb)";
    QTest::newRow("Linux folder without trailing separator") << "/datos/empresas"
                                                             << "DEMO"
                                                             << "/datos/empresas/System/Config.fdb"
                                                             << "/datos/empresas/DEMO.fdb";
    QTest::newRow("empty folder") << ""
                                  << "EJEMPLO"
                                  << "SystemConfig.fdb"
                                  << "EJEMPLO.fdb";
}

void TestParametrosConexion::carpetaConSeparador_data()
{
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("esperada");

    QTest::newRow("backslash kept") << R"(C:\Microsip datos\)"
                                    << R"(C:\Microsip datos\)";
    QTest::newRow("slash kept") << "/datos/empresas/"
                                << "/datos/empresas/";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("backslashes") << R"(C:\Microsip datos)"
                                 << R"(C:\Microsip datos\)";
    QTest::newRow("share without drive") << R"(\\SRV1\datos)"
                                         << R"(\\SRV1\datos\)";
    QTest::newRow("drive letter alone") << "D:"
                                        << R"(D:\)";
    QTest::newRow("drive letter, forward slashes") << "d:/datos"
                                                   << R"(d:/datos\)";
    QTest::newRow("slashes") << "/datos/empresas"
                             << "/datos/empresas/";
    QTest::newRow("relative name") << "datos"
                                   << "datos/";
    QTest::newRow("colon not after a drive letter") << "/srv/a:b"
                                                    << "/srv/a:b/";
    QTest::newRow("mixed, backslash last kept") << R"(/srv/x\)"
                                                << R"(/srv/x\)";
}

void TestParametrosConexion::carpetaConSeparador()
{
    QFETCH(QString, carpeta);
    QFETCH(QString, esperada);
    QCOMPARE(CarpetaConSeparador(carpeta), esperada);
}

void TestParametrosConexion::rutas()
{
    QFETCH(QString, carpeta);
    QFETCH(QString, empresa);
    QFETCH(QString, sistema);
    QFETCH(QString, rutaEmpresa);

    DatosConexion d;
    d.CarpetaDatos = carpeta;
    d.Empresa = empresa;
    QCOMPARE(RutaSistema(carpeta), sistema);
    QCOMPARE(RutaEmpresa(d), rutaEmpresa);
}

LUMIVO_TEST_MAIN(TestParametrosConexion)
#include "tst_parametrosconexion.moc"
