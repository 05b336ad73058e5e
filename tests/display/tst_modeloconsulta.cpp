// The grid model over an fb::Query: rows fetched on demand in batches, copied so that a
// closed cursor never takes them away, columns bound by name, the look of its cells.

#include "display/ModeloConsulta.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QBrush>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// ARTICULOS holds 23 rows, ids 1001 to 1023.
const QString kArticulos =
    QStringLiteral("SELECT ARTICULO_ID, NOMBRE, CONTENIDO_UNIDAD_COMPRA FROM ARTICULOS ORDER BY ARTICULO_ID");
constexpr int kLote = 5;

ColumnaConsulta col(const char* campo, const char* titulo = "", Qt::Alignment a = Qt::AlignLeft,
                    formato::Tipo t = formato::Tipo::Texto)
{
    ColumnaConsulta c;
    c.campo = QString::fromLatin1(campo);
    c.titulo = QString::fromUtf8(titulo);
    c.alineacion = a;
    c.alineacionTitulo = Qt::AlignHCenter;
    c.formato = t;
    return c;
}

DescripcionRejilla descripcion()
{
    DescripcionRejilla d;
    d.fuente = QFont(QStringLiteral("Tahoma"));
    d.fuente.setPixelSize(12);
    d.colorTexto = QColor(255, 128, 0);
    d.fuenteTitulo = QFont(QStringLiteral("Tahoma"));
    d.fuenteTitulo.setPixelSize(13);
    d.fuenteTitulo.setBold(true);
    d.colorTitulo = QColor(9, 121, 213);
    d.fondoTitulo = QColor(192, 192, 192);
    ColumnaConsulta contenido = col("contenido_unidad_compra", "Contenido", Qt::AlignRight, formato::Tipo::Numero);
    contenido.fuente = QFont(QStringLiteral("Tahoma"));
    contenido.fuente->setPixelSize(11);
    contenido.color = Qt::red;
    d.columnas = {col("nombre", "Artículo"), col("ARTICULO_ID"), contenido, col("NO_EXISTE")};
    return d;
}

} // namespace

class TestModeloConsulta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstBatchOnOpenThenOnDemand();
    void emptyResult();
    void rowsSurviveTheCommit();
    void reloadResetsOnce();
    void failedReloadLeavesItEmpty();
    void columnsAndTitles();
    void eachStatementBindsItsOwnColumns();
    void anyColumnOfARow();
    void locateFetchesFurtherBatches();
    void cellLook();
    void locale();
    void failedFetchIsSignalled();
    void viewFetchesWhenScrolled();

private:
    void abrir(const QString& sql);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
    std::unique_ptr<fb::Connection> m_conexion;
    std::unique_ptr<fb::Transaction> m_trans;
    std::unique_ptr<fb::Query> m_consulta;
    std::unique_ptr<ModeloConsulta> m_modelo;
};

void TestModeloConsulta::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = testsupport::companyDatabase(m_dir->path());
    m_conexion = std::make_unique<fb::Connection>();
    m_conexion->setParams(testsupport::embeddedParams(m_ruta));
    m_conexion->open();
    m_trans = std::make_unique<fb::Transaction>(*m_conexion);
    m_trans->start();
    m_consulta = std::make_unique<fb::Query>(*m_trans);
    m_modelo = std::make_unique<ModeloConsulta>(descripcion(), nullptr, kLote);
    m_modelo->setLocale(QLocale::c());
}

void TestModeloConsulta::cleanup()
{
    m_modelo.reset();
    m_consulta.reset();
    m_trans.reset();
    m_conexion.reset();
    m_dir.reset();
}

void TestModeloConsulta::abrir(const QString& sql)
{
    m_modelo->recargar(*m_consulta, [&] {
        m_consulta->close();
        m_consulta->setSql(sql);
        m_consulta->open();
    });
}

void TestModeloConsulta::firstBatchOnOpenThenOnDemand()
{
    abrir(kArticulos);
    QCOMPARE(m_modelo->rowCount(), kLote);
    QVERIFY(m_modelo->canFetchMore({}));
    int lotes = 1;
    while (m_modelo->canFetchMore({})) {
        const int antes = m_modelo->rowCount();
        QSignalSpy insertadas(m_modelo.get(), &QAbstractItemModel::rowsInserted);
        m_modelo->fetchMore({});
        if (m_modelo->rowCount() > antes) {
            QCOMPARE(insertadas.count(), 1);
            QCOMPARE(insertadas[0][1].toInt(), antes);
        }
        ++lotes;
    }
    QCOMPARE(m_modelo->rowCount(), 23);
    QCOMPARE(lotes, 5); // 5 + 5 + 5 + 5 + 3
    QVERIFY(m_modelo->completo());
    QCOMPARE(m_modelo->index(22, 1).data().toString(), QStringLiteral("1023"));
}

void TestModeloConsulta::emptyResult()
{
    abrir(QString(kArticulos).replace(QStringLiteral("ORDER BY"), QStringLiteral("WHERE 1 = 0 ORDER BY")));
    QCOMPARE(m_modelo->rowCount(), 0);
    QVERIFY(!m_modelo->canFetchMore({}));
    QCOMPARE(m_modelo->columnCount(), 4);
}

void TestModeloConsulta::rowsSurviveTheCommit()
{
    abrir(kArticulos);
    m_trans->commit(); // closes every cursor of the transaction
    QVERIFY(!m_consulta->isOpen());
    QVERIFY(!m_modelo->canFetchMore({}));
    m_modelo->fetchMore({}); // harmless
    QCOMPARE(m_modelo->rowCount(), kLote);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));

    // The query is closed and reopened by the next load, with the model reset first.
    m_trans->start();
    QSignalSpy antes(m_modelo.get(), &QAbstractItemModel::modelAboutToBeReset);
    abrir(QStringLiteral("SELECT NOMBRE, ARTICULO_ID FROM ARTICULOS WHERE ARTICULO_ID = 1007"));
    QCOMPARE(antes.count(), 1);
    QCOMPARE(m_modelo->rowCount(), 1);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("Piñata estrella grande"));
}

void TestModeloConsulta::reloadResetsOnce()
{
    abrir(kArticulos);
    QSignalSpy antes(m_modelo.get(), &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy despues(m_modelo.get(), &QAbstractItemModel::modelReset);
    QSignalSpy insertadas(m_modelo.get(), &QAbstractItemModel::rowsInserted);
    abrir(kArticulos);
    QCOMPARE(antes.count(), 1);
    QCOMPARE(despues.count(), 1);
    QCOMPARE(insertadas.count(), 0); // the first batch comes with the reset
    QCOMPARE(m_modelo->rowCount(), kLote);
}

void TestModeloConsulta::failedReloadLeavesItEmpty()
{
    abrir(kArticulos);
    QSignalSpy antes(m_modelo.get(), &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy despues(m_modelo.get(), &QAbstractItemModel::modelReset);
    QVERIFY_THROWS_EXCEPTION(fb::Error, abrir(QStringLiteral("SELECT * FROM TABLA_QUE_NO_EXISTE")));
    QCOMPARE(antes.count(), 1);
    QCOMPARE(despues.count(), 1);
    QCOMPARE(m_modelo->rowCount(), 0);
    QVERIFY(!m_modelo->canFetchMore({}));
    QVERIFY(!m_consulta->isOpen());
    // The model works again with the next load.
    abrir(kArticulos);
    QCOMPARE(m_modelo->rowCount(), kLote);
}

void TestModeloConsulta::columnsAndTitles()
{
    // Before any load: the titles, a column without one showing its name.
    QCOMPARE(m_modelo->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Artículo"));
    QCOMPARE(m_modelo->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ARTICULO_ID"));
    abrir(QStringLiteral("SELECT ARTICULO_ID AS Articulo_Id, NOMBRE FROM ARTICULOS ORDER BY 1"));
    // Bound without regard to letter case; the title is the name as the server reports it.
    QCOMPARE(m_modelo->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ARTICULO_ID"));
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(m_modelo->index(0, 1).data().toString(), QStringLiteral("1001"));
    // A column missing from the result shows empty cells under its name.
    QCOMPARE(m_modelo->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Contenido"));
    QCOMPARE(m_modelo->index(0, 2).data().toString(), QString());
    QCOMPARE(m_modelo->headerData(3, Qt::Horizontal).toString(), QStringLiteral("NO_EXISTE"));
    QCOMPARE(m_modelo->index(0, 3).data().toString(), QString());
}

void TestModeloConsulta::eachStatementBindsItsOwnColumns()
{
    // One query, its text changing between loads: the columns follow the statement of each load.
    const QString conId = QStringLiteral("SELECT NOMBRE, ARTICULO_ID FROM ARTICULOS ORDER BY ARTICULO_ID");
    const QString sinId = QStringLiteral("SELECT 'x' AS RELLENO, NOMBRE FROM ARTICULOS ORDER BY ARTICULO_ID");
    abrir(conId);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(m_modelo->index(0, 1).data().toString(), QStringLiteral("1001"));
    abrir(sinId);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(m_modelo->index(0, 1).data().toString(), QString());
    QCOMPARE(m_modelo->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ARTICULO_ID"));
    QCOMPARE(m_modelo->valor(0, QStringLiteral("RELLENO")).toString(), QStringLiteral("x"));
    QVERIFY(m_modelo->valor(0, QStringLiteral("ARTICULO_ID")).isNull());
    abrir(conId);
    QCOMPARE(m_modelo->index(0, 1).data().toString(), QStringLiteral("1001"));
    QVERIFY(m_modelo->valor(0, QStringLiteral("RELLENO")).isNull());
    // A failed load forgets the binding; the same statement as before binds it again.
    QVERIFY_THROWS_EXCEPTION(fb::Error, abrir(QStringLiteral("SELECT * FROM TABLA_QUE_NO_EXISTE")));
    QVERIFY(m_modelo->valor(0, QStringLiteral("NOMBRE")).isNull());
    abrir(conId);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));
    QCOMPARE(m_modelo->index(0, 1).data().toString(), QStringLiteral("1001"));
}

void TestModeloConsulta::anyColumnOfARow()
{
    abrir(QStringLiteral("SELECT ARTICULO_ID, NOMBRE, UNIDAD_COMPRA, CONTENIDO_UNIDAD_COMPRA FROM ARTICULOS "
                         "WHERE ARTICULO_ID IN (1007, 1017) ORDER BY ARTICULO_ID"));
    QCOMPARE(m_modelo->valor(0, QStringLiteral("unidad_compra")).toString(), QStringLiteral("CAJA")); // not shown
    QCOMPARE(m_modelo->valor(0, QStringLiteral("CONTENIDO_UNIDAD_COMPRA")).toDecimal(), (fb::Decimal{35, 0}));
    QVERIFY(m_modelo->valor(1, QStringLiteral("CONTENIDO_UNIDAD_COMPRA")).isNull());
    QVERIFY(m_modelo->valor(2, QStringLiteral("NOMBRE")).isNull());
    QVERIFY(m_modelo->valor(-1, QStringLiteral("NOMBRE")).isNull());
    QVERIFY(m_modelo->valor(0, QStringLiteral("NO_EXISTE")).isNull());
}

void TestModeloConsulta::locateFetchesFurtherBatches()
{
    abrir(kArticulos);
    QCOMPARE(m_modelo->localizar(QStringLiteral("articulo_id"), 1003), 2);
    QCOMPARE(m_modelo->rowCount(), kLote);
    QCOMPARE(m_modelo->localizar(QStringLiteral("ARTICULO_ID"), 1020), 19);
    QCOMPARE(m_modelo->rowCount(), 20);
    QCOMPARE(m_modelo->localizar(QStringLiteral("ARTICULO_ID"), 450), -1);
    QCOMPARE(m_modelo->rowCount(), 23);
    QVERIFY(m_modelo->completo());
    QCOMPARE(m_modelo->localizar(QStringLiteral("NO_EXISTE"), 1001), -1);
}

void TestModeloConsulta::cellLook()
{
    abrir(kArticulos);
    const QModelIndex nombre = m_modelo->index(0, 0);
    const QModelIndex contenido = m_modelo->index(0, 2);
    QCOMPARE(nombre.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    QCOMPARE(contenido.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(nombre.data(Qt::FontRole).value<QFont>().pixelSize(), 12);
    QCOMPARE(contenido.data(Qt::FontRole).value<QFont>().pixelSize(), 11);
    QCOMPARE(nombre.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 128, 0));
    QCOMPARE(contenido.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    QCOMPARE(m_modelo->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignHCenter | Qt::AlignVCenter));
    QVERIFY(m_modelo->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    QCOMPARE(m_modelo->headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(), QColor(9, 121, 213));
    QCOMPARE(m_modelo->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
             QColor(192, 192, 192));
    QVERIFY(!(m_modelo->flags(nombre) & Qt::ItemIsEditable));
    QVERIFY(!m_modelo->setData(nombre, QStringLiteral("x")));
    // No row header.
    QVERIFY(!m_modelo->headerData(0, Qt::Vertical).isValid() ||
            m_modelo->headerData(0, Qt::Vertical).toString() == QStringLiteral("1"));
}

void TestModeloConsulta::locale()
{
    abrir(
        QStringLiteral("SELECT NOMBRE, ARTICULO_ID, CONTENIDO_UNIDAD_COMPRA FROM ARTICULOS WHERE ARTICULO_ID = 1006"));
    QCOMPARE(m_modelo->index(0, 2).data().toString(), QStringLiteral("1.5"));
    QSignalSpy cambios(m_modelo.get(), &QAbstractItemModel::dataChanged);
    m_modelo->setLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(cambios.count(), 1);
    QCOMPARE(m_modelo->index(0, 2).data().toString(), QStringLiteral("1,5"));
}

void TestModeloConsulta::failedFetchIsSignalled()
{
    // Enough rows that the engine cannot have sent them all with the first batch.
    testsupport::runSql(
        testsupport::embeddedParams(m_ruta),
        QStringLiteral("SET TERM ^ ;\n"
                       "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
                       "  WHILE (I < 5000) DO BEGIN\n"
                       "    INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (100000 + :I, 'Relleno');\n"
                       "    I = I + 1;\n"
                       "  END\n"
                       "END^\n"
                       "SET TERM ; ^\n"));
    m_trans->commit();
    m_trans->start();
    abrir(kArticulos);
    QVERIFY(m_modelo->canFetchMore({}));

    int id = 0;
    {
        fb::Transaction t(*m_conexion);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("SELECT CURRENT_CONNECTION FROM RDB$DATABASE"));
        q.execute();
        id = q.value(0).toInt();
        t.commit();
    }
    {
        fb::Connection verdugo;
        verdugo.setParams(testsupport::embeddedParams(m_ruta));
        verdugo.open();
        fb::Transaction t(verdugo);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = :id"));
        q.setParam(QStringLiteral("id"), id);
        q.execute();
        t.commit();
    }

    QSignalSpy fallos(m_modelo.get(), &ModeloConsulta::falloAlLeer);
    const int antes = m_modelo->rowCount();
    for (int i = 0; i < 2000 && m_modelo->canFetchMore({}); ++i)
        m_modelo->fetchMore({}); // never throws
    QCOMPARE(fallos.count(), 1);
    QVERIFY(!fallos[0][0].toString().isEmpty());
    QVERIFY(!m_modelo->canFetchMore({}));
    QVERIFY(m_modelo->rowCount() >= antes);
    QVERIFY(m_modelo->rowCount() < 5023);
    QCOMPARE(m_modelo->index(0, 0).data().toString(), QStringLiteral("COCA COLA LIGHT 600ML"));
}

void TestModeloConsulta::viewFetchesWhenScrolled()
{
    abrir(kArticulos);
    QTableView vista;
    vista.resize(300, 80);
    vista.setModel(m_modelo.get());
    vista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vista));
    QCoreApplication::processEvents();
    // The first screen needs the first batch only.
    QCOMPARE(m_modelo->rowCount(), kLote);
    vista.scrollToBottom();
    QTRY_VERIFY(m_modelo->rowCount() > kLote);
    for (int i = 0; i < 10 && m_modelo->canFetchMore({}); ++i) {
        vista.scrollToBottom();
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(m_modelo->rowCount(), 23);
}

LUMIVO_TEST_MAIN(TestModeloConsulta)
#include "tst_modeloconsulta.moc"
