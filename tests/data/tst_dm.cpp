#include "data/uDM.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The data module's company changes, which whatever is built on the company's data (the catalogue
// index) follows instead of asking again and again.
class TestDm : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cambiosDeEmpresa();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDm::cleanup()
{
    m_dir.reset();
}

void TestDm::cambiosDeEmpresa()
{
    const QStringList sistema = testsupport::embeddedParams(testsupport::systemDatabase(m_dir->path()));
    const QStringList empresa = testsupport::embeddedParams(testsupport::companyDatabase(m_dir->path()));
    const QStringList otra =
        testsupport::embeddedParams(testsupport::companyDatabase(m_dir->path(), QStringLiteral("OTRA.fdb")));
    const QStringList falta = testsupport::embeddedParams(m_dir->filePath(QStringLiteral("FALTA.fdb")));
    Tdm dm(m_dir->filePath(QStringLiteral("config.xml")));
    QSignalSpy cambios(&dm, &Tdm::empresaCambiada);
    // What a follower sees when it is told.
    QList<bool> abierta;
    connect(&dm, &Tdm::empresaCambiada, this, [&] { abierta << dm.empresaConectada(); });

    dm.conectarSistema(sistema); // the login: no company was open
    QCOMPARE(cambios.count(), 0);
    dm.conectarEmpresa(empresa);
    QCOMPARE(abierta, QList<bool>{true});
    dm.conectarEmpresa(otra);
    QCOMPARE(abierta, (QList<bool>{true, true}));
    dm.conectarSistema(sistema); // a new login leaves the company
    QCOMPARE(abierta, (QList<bool>{true, true, false}));
    dm.conectarSistema(sistema);
    QCOMPARE(cambios.count(), 3);

    dm.conectarEmpresa(empresa);
    QVERIFY_THROWS_EXCEPTION(fb::Error, dm.conectarEmpresa(falta)); // the open one is closed all the same
    QCOMPARE(abierta, (QList<bool>{true, true, false, true, false}));
    QVERIFY_THROWS_EXCEPTION(fb::Error, dm.conectarEmpresa(falta)); // nothing was open
    QCOMPARE(cambios.count(), 5);

    dm.conectarEmpresa(empresa);
    dm.desconectar();
    QCOMPARE(abierta, (QList<bool>{true, true, false, true, false, true, false}));
    dm.desconectar();
    QCOMPARE(cambios.count(), 7);
}

LUMIVO_TEST_GUILESS_MAIN(TestDm)
#include "tst_dm.moc"
