#include "data/uDM.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "layout/LogoEmpresa.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

Q_DECLARE_METATYPE(LogoEmpresa::Accion)

namespace {

QByteArray imagen(QSize tamano, const char* formato, QColor color = QColor(200, 30, 40))
{
    QImage img(tamano, QImage::Format_RGB32);
    img.fill(color);
    QByteArray datos;
    QBuffer b(&datos);
    b.open(QIODevice::WriteOnly);
    img.save(&b, formato);
    return datos;
}

const QByteArray kSinArchivo;
const QByteArray kBasura = QByteArrayLiteral("no es una imagen, sólo texto");

} // namespace

class TestLogo : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cargar_data();
    void cargar();
    void aplicar();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Tdm> m_dm;
};

void TestLogo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    m_dm->fdConexion.setParams(testsupport::embeddedParams(testsupport::companyDatabase(m_dir->path())));
    m_dm->fdConexion.open();
}

void TestLogo::cleanup()
{
    m_dm.reset();
    m_dir.reset();
}

void TestLogo::cargar_data()
{
    QTest::addColumn<bool>("mostrar");
    QTest::addColumn<QByteArray>("archivo");  // Logo.jpg in the program's folder; empty: none
    QTest::addColumn<int>("filas");           // IMAGEN_EMPRESA rows in the registry: 0, 1 or 2
    QTest::addColumn<QByteArray>("registro"); // their VALOR_BLOB; empty: NULL
    QTest::addColumn<LogoEmpresa::Accion>("accion");
    QTest::addColumn<QSize>("tamano");
    QTest::addColumn<bool>("falla");

    const QByteArray jpeg = imagen({40, 20}, "JPG");
    const QByteArray bmp = imagen({12, 8}, "BMP");
    const QByteArray otroJpeg = imagen({30, 15}, "JPG");
    using A = LogoEmpresa::Accion;

    QTest::newRow("apagada, aunque haya Logo.jpg") << false << jpeg << 1 << bmp << A::Ocultar << QSize(0, 0) << false;
    QTest::newRow("Logo.jpg antes que el registro") << true << jpeg << 1 << bmp << A::Mostrar << QSize(40, 20) << false;
    QTest::newRow("registro en JPEG") << true << kSinArchivo << 1 << otroJpeg << A::Mostrar << QSize(30, 15) << false;
    QTest::newRow("registro en BMP") << true << kSinArchivo << 1 << bmp << A::Mostrar << QSize(12, 8) << false;
    QTest::newRow("dos filas: la primera") << true << kSinArchivo << 2 << bmp << A::Mostrar << QSize(12, 8) << false;
    QTest::newRow("sin fila en el registro")
        << true << kSinArchivo << 0 << QByteArray() << A::Conservar << QSize(0, 0) << false;
    QTest::newRow("VALOR_BLOB nulo") << true << kSinArchivo << 1 << QByteArray() << A::Conservar << QSize(0, 0)
                                     << false;
    QTest::newRow("Logo.jpg dañado: el registro no se intenta")
        << true << kBasura << 1 << otroJpeg << A::Conservar << QSize(0, 0) << true;
    QTest::newRow("Logo.jpg que es un BMP") << true << bmp << 0 << QByteArray() << A::Conservar << QSize(0, 0) << true;
    QTest::newRow("registro ni JPEG ni BMP")
        << true << kSinArchivo << 1 << kBasura << A::Conservar << QSize(0, 0) << true;
}

void TestLogo::cargar()
{
    QFETCH(bool, mostrar);
    QFETCH(QByteArray, archivo);
    QFETCH(int, filas);
    QFETCH(QByteArray, registro);
    QFETCH(LogoEmpresa::Accion, accion);
    QFETCH(QSize, tamano);
    QFETCH(bool, falla);

    const QString carpeta = m_dir->filePath(QStringLiteral("programa"));
    QVERIFY(QDir().mkpath(carpeta));
    if (!archivo.isEmpty()) {
        QFile f(QDir(carpeta).filePath(QStringLiteral("Logo.jpg")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(archivo);
    }
    {
        fb::Transaction t(m_dm->fdConexion);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("INSERT INTO REGISTRY (ELEMENTO_ID, NOMBRE, TIPO, PADRE_ID, VALOR_BLOB) "
                                "VALUES (:id, :nombre, 'V', 1, :imagen)"));
        for (int i = 0; i < filas; ++i) {
            q.setParam(QStringLiteral("id"), 100 + i);
            q.setParam(QStringLiteral("nombre"), QStringLiteral("IMAGEN_EMPRESA"));
            // The second row would show as a broken picture if it were the one read.
            q.setParam(QStringLiteral("imagen"),
                       i == 0 ? (registro.isEmpty() ? fb::Value() : fb::Value(registro)) : fb::Value(kBasura));
            q.execute();
        }
        t.commit();
    }
    QVERIFY(!m_dm->fdTrans.isActive());

    if (falla) {
        QVERIFY_THROWS_EXCEPTION(ImagenIlegible, CargarLogEmp(*m_dm, mostrar, carpeta));
        // A damaged Logo.jpg is reported as such: the registry is not read instead.
        QCOMPARE(m_dm->fdTrans.isActive(), archivo.isEmpty());
        return;
    }
    const LogoEmpresa logo = CargarLogEmp(*m_dm, mostrar, carpeta);
    QCOMPARE(logo.accion, accion);
    QCOMPARE(logo.imagen.size(), tamano);
    if (accion == LogoEmpresa::Accion::Mostrar) {
        const QColor pixel = logo.imagen.toImage().pixelColor(tamano.width() / 2, tamano.height() / 2);
        QVERIFY2(qAbs(pixel.red() - 200) < 12 && qAbs(pixel.green() - 30) < 12 && qAbs(pixel.blue() - 40) < 12,
                 qPrintable(pixel.name()));
    }
    // The registry is read in the shared transaction, started when it was not active.
    QCOMPARE(m_dm->fdTrans.isActive(), mostrar && archivo.isEmpty());
}

void TestLogo::aplicar()
{
    QLabel imagen;
    imagen.resize(426, 113);
    const QPixmap integrada(50, 50);
    imagen.setPixmap(integrada);

    aplicarLogo(imagen, {LogoEmpresa::Accion::Ocultar, {}});
    QVERIFY(imagen.isHidden());

    aplicarLogo(imagen, {LogoEmpresa::Accion::Conservar, {}});
    QVERIFY(!imagen.isHidden());
    QCOMPARE(imagen.pixmap().size(), QSize(50, 50));

    // Scaled to fit the box with its proportions kept, centred.
    aplicarLogo(imagen, {LogoEmpresa::Accion::Mostrar, QPixmap(400, 200)});
    QCOMPARE(imagen.pixmap().size(), QSize(226, 113));
    QCOMPARE(imagen.alignment(), Qt::AlignCenter);
}

LUMIVO_TEST_MAIN(TestLogo)
#include "tst_logo.moc"
