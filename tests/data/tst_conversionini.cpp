// The settings file's old-style numbers and booleans: the unit on its own, and the same texts
// stored in a file and read through ConfigIni.

#include "data/ConfigIni.h"
#include "data/ConversionIni.h"
#include "tests/support/ArchivosPrueba.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <optional>
#include <sys/stat.h>

using namespace pruebas;

namespace {

const QString& kArchivo = pruebas::kArchivoConfig;

// The text as an attribute value: a tab written as such would read back as a blank.
QByteArray atributo(const QString& texto)
{
    QString escapado = texto.toHtmlEscaped();
    escapado.replace(u'\t', QStringLiteral("&#9;"));
    return escapado.toUtf8();
}

} // namespace

class TestConversionIni : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void conversiones_data();
    void conversiones();

private:
    QString rutaAbsoluta() const { return QDir::current().absoluteFilePath(kArchivo); }

    std::optional<QTemporaryDir> m_carpeta;
    QString m_anterior;
};

void TestConversionIni::init()
{
    m_anterior = QDir::currentPath();
    m_carpeta.emplace();
    QVERIFY(m_carpeta->isValid());
    QVERIFY(QDir::setCurrent(m_carpeta->path()));
}

void TestConversionIni::cleanup()
{
    QDir::setCurrent(m_anterior);
    m_carpeta.reset();
}

void TestConversionIni::conversiones_data()
{
    QTest::addColumn<QString>("guardado");  // as written in the attribute
    QTest::addColumn<QVariant>("esperado"); // int or bool; none: conversion error

    const QVariant error;
    const auto entero = [](const char* nombre, const char* guardado, int valor) {
        QTest::addRow("entero %s", nombre) << QString::fromUtf8(guardado) << QVariant(valor);
    };
    const auto logico = [](const char* nombre, const char* guardado, const QVariant& valor) {
        QTest::addRow("lógico %s", nombre) << QString::fromUtf8(guardado) << valor;
    };

    entero("decimal", "42", 42);
    entero("blancos delante", "   42", 42);
    entero("tabulador delante", "\t42", 42);
    entero("más", "+7", 7);
    entero("menos", "-7", -7);
    entero("ceros delante", "007", 7);
    entero("mínimo", "-2147483648", INT_MIN);
    entero("máximo", "2147483647", INT_MAX);
    entero("$", "$1F", 31);
    entero("x", "x1F", 31);
    entero("X", "X1f", 31);
    entero("0x", "0x1F", 31);
    entero("0X", "0X1f", 31);
    entero("$ con signo", "-$10", -16);
    entero("$ con más", "+$10", 16);
    entero("$FFFFFFFF es -1", "$FFFFFFFF", -1);
    entero("$7FFFFFFF", "$7FFFFFFF", INT_MAX);
    entero("$80000000", "$80000000", INT_MIN);
    entero("$ de 33 bits", "$100000000", 0);
    entero("$ solo", "$", 0);
    entero("0x solo", "0x", 0);
    entero("signo tras $", "$-10", 0);
    entero("cifra no hexadecimal", "$1G", 0);
    entero("demasiado grande", "2147483648", 0);
    entero("demasiado pequeño", "-2147483649", 0);
    entero("blanco detrás", "42 ", 0);
    entero("blanco tras el signo", "- 5", 0);
    entero("vacío", "", 0);
    entero("letras", "abc", 0);
    entero("decimales", "1.5", 0);
    entero("exponente", "1e3", 0);
    entero("cifras de ancho completo", "１２", 0);

    logico("true", "true", true);
    logico("True", "True", true);
    logico("TRUE", "TRUE", true);
    logico("false", "false", false);
    logico("FaLsE", "FaLsE", false);
    logico("-1", "-1", true);
    logico("0", "0", false);
    logico("1", "1", true);
    logico("2", "2", true);
    logico("00", "00", false);
    logico("0.0", "0.0", false);
    logico("0.5", "0.5", true);
    logico("1e3", "1e3", true);
    logico("0e5", "0e5", false);
    logico("$0", "$0", false);
    logico("$FF", "$FF", true);
    logico("blanco delante de un número", " 1", true);
    logico("yes", "yes", error);
    logico("no", "no", error);
    logico("vacío", "", error);
    logico("blanco delante de true", " true", error);
    logico("blanco detrás de true", "true ", error);
    logico("blanco detrás de un número", "1 ", error);
    // Unicode case folding makes an s of the long s.
    logico("s larga", "falſe", error);
    logico("$ solo", "$", error);
    logico("exponente sin cifras", "1e", error);
    logico("punto solo", ".", error);
}

void TestConversionIni::conversiones()
{
    QFETCH(QString, guardado);
    QFETCH(QVariant, esperado);

    // The unit itself.
    if (esperado.typeId() == QMetaType::Int) {
        QCOMPARE(EnteroIni(guardado), esperado.toInt());
    } else if (esperado.isValid()) {
        QCOMPARE(LogicoIni(guardado), std::optional<bool>(esperado.toBool()));
    } else {
        QVERIFY(!LogicoIni(guardado));
    }

    // The same text read from the file.
    const QByteArray antes = "<Config><S K=\"" + atributo(guardado) + "\"/></Config>";
    escribirArchivo(kArchivo, antes);
    const ino_t inodoAntes = inodo();

    ConfigIni config;
    if (esperado.typeId() == QMetaType::Int) {
        QCOMPARE(config.ConfigIni_int(QStringLiteral("S"), QStringLiteral("K"), 1024), esperado.toInt());
    } else if (esperado.isValid()) {
        QCOMPARE(config.ConfigIni_bool(QStringLiteral("S"), QStringLiteral("K"), !esperado.toBool()),
                 esperado.toBool());
    } else {
        const std::optional<QString> mensaje = fallo<ErrorConversionConfigIni>(
            [&] { config.ConfigIni_bool(QStringLiteral("S"), QStringLiteral("K"), true); });
        QVERIFY(mensaje);
        QCOMPARE(*mensaje, QStringLiteral("El valor «%1» de «S»/«K» en el archivo de configuración «%2» no es un valor "
                                          "lógico válido: se esperaba true, false o un número")
                               .arg(guardado, rutaAbsoluta()));
    }
    // A value that is there is never corrected.
    QCOMPARE(contenido(), antes);
    QCOMPARE(inodo(), inodoAntes);
}

LUMIVO_TEST_GUILESS_MAIN(TestConversionIni)
#include "tst_conversionini.moc"
