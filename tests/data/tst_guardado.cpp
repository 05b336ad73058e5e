#include "data/ConfigIni.h"
#include "tests/support/LimiteDeArchivos.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <utility>

// How config.xml reaches the disk: saves that do not wait for it (a design-mode drag) are as
// atomic as those that do, and replacing the file keeps what the old one had around it.

namespace {

QByteArray contenido(const QString& ruta)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

void escribirArchivo(const QString& ruta, const QByteArray& datos)
{
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(archivo.write(datos), datos.size());
}

struct stat estado(const QString& ruta)
{
    struct stat datos {};
    ::lstat(QFile::encodeName(ruta).constData(), &datos);
    return datos;
}

QStringList archivosDe(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

template <typename F> std::optional<QString> fallo(F&& llamada)
{
    try {
        llamada();
    } catch (const ErrorConfigIni& e) {
        return QString::fromUtf8(e.what());
    }
    return std::nullopt;
}

const QString kVentana = QStringLiteral("Ventana");

} // namespace

class TestGuardado : public QObject {
    Q_OBJECT

private slots:
    void init();

    void aplazadoReemplazaEntero();
    void aplazadoConDiscoLleno();
    void reemplazoConservaPermisosYEnlace_data();
    void reemplazoConservaPermisosYEnlace();

private:
    QString ruta(const QString& nombre = QStringLiteral("config.xml")) const { return m_carpeta->filePath(nombre); }

    std::optional<QTemporaryDir> m_carpeta;
};

void TestGuardado::init()
{
    m_carpeta.emplace();
    QVERIFY(m_carpeta->isValid());
}

// A drag's saves: every one replaces the whole file by a rename (a new inode, never the old one
// rewritten in place), so another reader sees each movement's values at once and nothing cut;
// only the sync is left for the end.
void TestGuardado::aplazadoReemplazaEntero()
{
    ConfigIni config(ruta());
    config.ConfigIni_intW(kVentana, QStringLiteral("Ancho"), 1024);
    QVERIFY(!config.sinSincronizar());

    {
        const ConfigIni::SincronizacionAplazada aplazada(config);
        for (int i = 1; i <= 3; ++i) {
            for (const auto& [clave, valor] :
                 {std::pair{QStringLiteral("Precios_X"), 400 + i}, std::pair{QStringLiteral("Precios_Y"), -i}}) {
                const ino_t inodoAntes = estado(ruta()).st_ino;
                config.ConfigIni_intW(kVentana, clave, valor);
                QVERIFY(estado(ruta()).st_ino != inodoAntes);
                QVERIFY(config.sinSincronizar());
            }

            ConfigIni otra(ruta());
            QCOMPARE(otra.ConfigIni_int(kVentana, QStringLiteral("Precios_X"), 0), 400 + i);
            QCOMPARE(otra.ConfigIni_int(kVentana, QStringLiteral("Precios_Y"), 0), -i);
            QCOMPARE(otra.ConfigIni_int(kVentana, QStringLiteral("Ancho"), 0), 1024);
            QCOMPARE(archivosDe(m_carpeta->path()), QStringList{QStringLiteral("config.xml")});
        }
    }
    // The end of the deferral is not the sync: the drag's end asks for it.
    QVERIFY(config.sinSincronizar());
    config.sincronizar();
    QVERIFY(!config.sinSincronizar());

    // A later save that waits for the disk covers an earlier one that did not.
    {
        const ConfigIni::SincronizacionAplazada aplazada(config);
        config.ConfigIni_intW(kVentana, QStringLiteral("Precios_X"), 7);
    }
    QVERIFY(config.sinSincronizar());
    config.ConfigIni_boolW(kVentana, QStringLiteral("Restaurada"), false);
    QVERIFY(!config.sinSincronizar());
    QCOMPARE(config.ConfigIni_int(kVentana, QStringLiteral("Precios_X"), 0), 7);
}

// A file-size limit stops a write part-way, as a full disk does. The control, written in place,
// is left cut; a save that does not wait for the disk fails with the system's reason and leaves
// the old file whole, and the sync that ends the drag still runs.
void TestGuardado::aplazadoConDiscoLleno()
{
    const QByteArray antes = R"(<Config><Ventana Precios_X="392" Precios_Y="316"/></Config>)";
    escribirArchivo(ruta(), antes);
    const QString largo(4000, u'x');

    QFile control(ruta(QStringLiteral("control.xml")));
    QVERIFY(control.open(QIODevice::WriteOnly));
    {
        const testsupport::LimiteDeArchivos limite(32);
        control.write(antes + largo.toUtf8());
        control.flush();
        control.close();
    }
    QCOMPARE(contenido(control.fileName()), antes.left(32));

    ConfigIni config(ruta());
    std::optional<QString> mensaje;
    {
        const ConfigIni::SincronizacionAplazada aplazada(config);
        const testsupport::LimiteDeArchivos limite(32);
        mensaje = fallo([&] { config.ConfigIni_strW(kVentana, QStringLiteral("Nota"), largo); });
    }
    QVERIFY(mensaje);
    QCOMPARE(*mensaje, QStringLiteral("El archivo de configuración «%1» no se puede guardar: %2")
                           .arg(QFileInfo(ruta()).absoluteFilePath(), QString::fromLocal8Bit(std::strerror(EFBIG))));
    QCOMPARE(contenido(ruta()), antes);
    QCOMPARE(archivosDe(m_carpeta->path()), (QStringList{QStringLiteral("config.xml"), QStringLiteral("control.xml")}));
    QVERIFY(config.sinSincronizar());
    config.sincronizar();
    QVERIFY(!config.sinSincronizar());

    // With room again the same save goes through.
    {
        const ConfigIni::SincronizacionAplazada aplazada(config);
        config.ConfigIni_strW(kVentana, QStringLiteral("Nota"), largo);
    }
    QCOMPARE(config.ConfigIni_str(kVentana, QStringLiteral("Nota"), {}), largo);
}

void TestGuardado::reemplazoConservaPermisosYEnlace_data()
{
    QTest::addColumn<QString>("caso");
    QTest::addColumn<bool>("aplazado");

    for (const bool aplazado : {false, true}) {
        const char* modo = aplazado ? ", sin esperar al disco" : ", esperando al disco";
        QTest::addRow("archivo nuevo%s", modo) << QStringLiteral("nuevo") << aplazado;
        QTest::addRow("permisos del archivo%s", modo) << QStringLiteral("permisos") << aplazado;
        QTest::addRow("enlace simbólico%s", modo) << QStringLiteral("enlace") << aplazado;
    }
}

// The save writes a new file and renames it over the old one; the file keeps its permissions and a
// link stays a link to the file it names, with the new contents there.
void TestGuardado::reemplazoConservaPermisosYEnlace()
{
    QFETCH(QString, caso);
    QFETCH(bool, aplazado);

    const QByteArray antes = R"(<Config><Ventana Ancho="800"/></Config>)";
    const mode_t mascara = ::umask(022);
    QString destino = ruta();
    if (caso == u"permisos") {
        escribirArchivo(ruta(), antes);
        QVERIFY(QFile::setPermissions(ruta(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    } else if (caso == u"enlace") {
        QVERIFY(QDir(m_carpeta->path()).mkdir(QStringLiteral("compartida")));
        destino = ruta(QStringLiteral("compartida/config.xml"));
        escribirArchivo(destino, antes);
        QVERIFY(QFile::link(destino, ruta()));
    }
    const mode_t permisos = caso == u"permisos" ? 0640 : 0644;

    {
        ConfigIni config(ruta());
        std::optional<ConfigIni::SincronizacionAplazada> aplazada;
        if (aplazado)
            aplazada.emplace(config);
        config.ConfigIni_intW(kVentana, QStringLiteral("Alto"), 600);
    }
    ::umask(mascara);

    QCOMPARE(estado(destino).st_mode & 07777, permisos);
    QVERIFY(S_ISREG(estado(destino).st_mode));
    QCOMPARE(contenido(destino), caso == u"nuevo"
                                     ? QByteArray(R"(<Config><Ventana Alto="600"/></Config>)")
                                     : QByteArray(R"(<Config><Ventana Ancho="800" Alto="600"/></Config>)"));
    if (caso == u"enlace") {
        QVERIFY(S_ISLNK(estado(ruta()).st_mode));
        QCOMPARE(archivosDe(QFileInfo(destino).path()), QStringList{QStringLiteral("config.xml")});
    }
    QCOMPARE(archivosDe(m_carpeta->path()).size(), caso == u"enlace" ? 2 : 1);
}

LUMIVO_TEST_GUILESS_MAIN(TestGuardado)
#include "tst_guardado.moc"
