#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// One scale label format of the company: a GS1 restricted-circulation code (EAN-13 beginning with
// 20 to 29, or UPC-A beginning with 2) that carries a PLU and the price or weight of the package.
// Stored as one row of the settings table (data/ConfigEmpresa); this is its value and its text.
struct FormatoEtiqueta {
    // How the PLU becomes the ERP key that is looked up.
    enum class Clave {
        TalCual,       // the PLU digits as printed ("00123")
        SinCeros,      // the PLU without leading zeros ("123")
        CodigoEnCeros, // the whole code with the value (and its verifier) zeroed, check digit recomputed
    };
    enum class Valor { Precio, Peso };

    // Two-digit prefixes of 20 to 29 for EAN-13, or exactly "2" for UPC-A.
    QStringList prefijos;
    int posicionPlu = 3; // 1-based position of the PLU's first digit in the code
    int digitosPlu = 5;
    Clave clave = Clave::TalCual;
    Valor valor = Valor::Peso;
    int decimales = 3;
    // A GS1 price/weight verifier digit stands between the PLU and the value.
    bool verificador = false;

    // 13 for the EAN-13 prefixes, 12 for UPC-A.
    int largoCodigo() const { return prefijos == QStringList{QStringLiteral("2")} ? 12 : 13; }
    // The value field: everything after the PLU (and the verifier) up to the check digit.
    int posicionValor() const { return posicionPlu + digitosPlu + (verificador ? 1 : 0); }
    int digitosValor() const { return largoCodigo() - posicionValor(); }

    bool operator==(const FormatoEtiqueta&) const = default;

    // The stored text, short enough for VALOR_STR: "prefixes;PLU position;PLU digits;key;value;
    // decimals;verifier", e.g. "20-29;3;5;C;K;3;N" (key T, S or C; value P price or K weight;
    // verifier V or N). Prefixes are a comma list of two-digit numbers and ranges, or "2".
    QString aTexto() const;
    // The format a stored text describes, or why it cannot be one (in the shop's words).
    static std::optional<FormatoEtiqueta> deTexto(const QString& texto, QString* error = nullptr);
    // Why this format cannot work, or an empty text.
    QString problema() const;
    // True when every label this format follows is also followed by `anterior` and mapped to the
    // same key with the same verifier check: listed after it, this one is never what finds an
    // article (two identical rows, or a narrower copy of a wider one).
    bool tapadoPor(const FormatoEtiqueta& anterior) const;
};
