#include "about/uAyudaInfo.h"
#include "tests/support/PruebaPrincipal.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

class TestAyudaInfo : public QObject {
    Q_OBJECT

private slots:
    void showsTheMaker()
    {
        TfrmAyudaInfo w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Ayuda"));
        auto* fabricante = w.findChild<QLabel*>(QStringLiteral("lblFabricante"));
        auto* contacto = w.findChild<QLabel*>(QStringLiteral("lblContacto"));
        QVERIFY(fabricante && contacto);
        QVERIFY(!fabricante->text().isEmpty());
        QVERIFY(contacto->text().contains(QLatin1Char('@')));
    }

    void closesOnAClickAnywhere_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("window") << QString();
        QTest::newRow("maker label") << QStringLiteral("lblFabricante");
        QTest::newRow("contact label") << QStringLiteral("lblContacto");
    }

    void closesOnAClickAnywhere()
    {
        QFETCH(QString, where);
        TfrmAyudaInfo w;
        QTimer::singleShot(0, &w, [&] {
            QWidget* target = where.isEmpty() ? static_cast<QWidget*>(&w) : w.findChild<QWidget*>(where);
            // Deliver the click to whatever the window finds under the point, as the window system would.
            const QPoint pos = target->mapTo(&w, target->rect().center());
            QWidget* receiver = w.childAt(pos) ? w.childAt(pos) : &w;
            QTest::mouseClick(receiver, Qt::LeftButton, {}, receiver->mapFrom(&w, pos));
        });
        QTimer::singleShot(10000, &w, [&] { w.done(99); }); // a guard, not a measurement
        QCOMPARE(w.exec(), int(QDialog::Accepted));
    }
};

LUMIVO_TEST_MAIN(TestAyudaInfo)
#include "tst_ayudainfo.moc"
