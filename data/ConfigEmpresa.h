#pragma once

#include "firebird/Value.h"
#include "rules/AjustesConsulta.h"

#include <QHash>
#include <QString>
#include <array>
#include <optional>

namespace fb {
class Query;
}

// The company's settings table ZANTOR_LMV_CONFIG, shared by every station: one row per key, a
// number in VALOR_INT, a text in VALOR_STR, a switch in VALOR_CHR. This is the only code that
// knows its keys and statements. It runs on the query it is given, inside whatever transaction
// that query belongs to, one statement per row unless the table was read whole (leerTabla); it
// starts, commits and rolls back nothing, so the caller decides what is one unit.
//
// A new setting is one row in the table of keys in ConfigEmpresa.cpp, beside its field in
// AjustesConsulta and its enumerator here.
class ConfigEmpresa {
public:
    static const QString kTabla;
    // VALOR_STR is VARCHAR(25): a longer face name cannot be stored.
    static constexpr int kLargoTexto = 25;

    // The settings of AjustesConsulta, in the order the main window reads them.
    enum class Ajuste {
        ClienteEventualId,
        PrecioEmpresaId,
        PoliticaVolId,
        AlmacenId,
        MostrarExistencia,
        MostrarLstPrecios,
        OrdenPrecio,
        MostrarPolVol,
        MostrarClave,
        SegundosEspera,
        DsctosCombo,
        MostrarBuscador,
        MostrarImagenEmpresa,
    };

    // The two display elements whose font is a setting, three rows each: FONT_ (size in points
    // and face), COLOR_ and ESTILO_ (texts of layout/Colores).
    enum class Elemento { NombreArticulo, Precio };

    struct Fila {
        fb::Value entero;
        fb::Value texto;
        fb::Value caracter;
    };

    struct Fuente {
        int puntos = 0;
        QString cara;
    };

    // What the font rows of one element are written from.
    struct FilasFuente {
        int puntos = 0;
        QString cara;
        QString color;
        QString estilo;
    };

    explicit ConfigEmpresa(fb::Query& consulta)
        : m_consulta(consulta)
    {
    }

    // Scale label formats: rows "ETIQUETA_BASCULA_1" to "_4", each a FormatoEtiqueta's text in
    // VALOR_STR. A company without these rows has no formats.
    static constexpr int kEtiquetas = 4;
    using TextosEtiquetas = std::array<QString, kEtiquetas>;
    static QString claveEtiqueta(int indice); // 0-based

    // Reads the whole table in one statement: until the next write through this object, every
    // reading is answered from it as its own statement would answer (the first row of a key; a
    // slow link pays one round trip for the load instead of one per row).
    void leerTabla();
    // The same, from rows read elsewhere (the start-up's one statement): keys as stored.
    using Tabla = QHash<QString, Fila>;
    void usarTabla(Tabla tabla) { m_tabla = std::move(tabla); }
    // Adds a row read from the table as leerTabla does: the first row of a key wins, trailing
    // blanks of the key are ignored and a NULL key is no key.
    static void agregarFila(Tabla& tabla, const fb::Value& clave, Fila fila);

    // Every setting, in the order of Ajuste, into the record: a missing row or a NULL reads as 0
    // or false, a negative price list or policy id as 0, and a switch is on only for exactly "S".
    // A failure propagates; the fields not yet read keep their values.
    // The label formats are read last: a row that is empty, NULL or not a format is skipped.
    void leerAjustes(AjustesConsulta& ajustes);

    // The four label rows as stored (empty for a missing or NULL row).
    TextosEtiquetas leerTextosEtiquetas();
    // The formats those rows describe, in row order, skipping what is not one.
    std::vector<FormatoEtiqueta> leerEtiquetas();
    // Writes the four rows: an existing row gets the text (NULL when empty); a missing row is
    // inserted only when it has a text, so a company that uses no labels gains no rows.
    void escribirEtiquetas(const TextosEtiquetas& textos);

    // The first row of the setting's key, if there is one.
    std::optional<Fila> leer(Ajuste ajuste);
    // As leer(); a missing row is inserted with the configuration dialog's value for it (on for a
    // switch), `insertado` is set, and the inserted row is returned as it would now read.
    Fila leerOInsertar(Ajuste ajuste, bool& insertado);
    // The one reading of a switch row.
    static bool activo(const Fila& fila);

    // The update of an existing row; a row that does not exist is not created.
    void escribirEntero(Ajuste ajuste, const fb::Value& valor);
    void escribirInterruptor(Ajuste ajuste, bool activo);
    // The value written whatever the table holds, as a visit to the configuration dialog leaves
    // it: a missing row is inserted as its load inserts it, then written as its save writes it.
    void fijarEntero(Ajuste ajuste, int valor);
    void fijarInterruptor(Ajuste ajuste, bool activo);

    // The element's FONT_ row, if there is one. A size of 0 or less (or NULL) and an empty face
    // could not be drawn readably: each such field reads as the built-in one of the element.
    std::optional<Fuente> leerFuente(Elemento elemento);
    // VALOR_STR of the element's COLOR_ / ESTILO_ row, if there is one (it may be NULL).
    std::optional<fb::Value> leerColor(Elemento elemento);
    std::optional<fb::Value> leerEstilo(Elemento elemento);
    // The element's three font rows, in the order FONT_, COLOR_, ESTILO_.
    void escribirFuente(Elemento elemento, const FilasFuente& filas);

    // The idle showcase of the company's offers. A company without its rows has it off.
    struct Escaparate {
        bool activo = false;
        int segundosInactivo = kEscaparateInactivo; // idle seconds past the clearing before it starts
        int segundosTarjeta = kEscaparateTarjeta;   // seconds each card stays
        int listaPrecios = 0;                       // id of the offer price list; 0 shows combos only
    };
    static constexpr int kEscaparateInactivo = 60;
    static constexpr int kEscaparateTarjeta = 6;

    // A missing row or a NULL reads as the default of Escaparate; a number below 1 second as 1.
    Escaparate leerEscaparate();
    // Updates the four rows, inserting the ones that are missing.
    void escribirEscaparate(const Escaparate& escaparate);

    // The built-in size in points and face of the element, which the installation also writes.
    static Fuente fuentePredeterminada(Elemento elemento);

private:
    std::optional<Fila> leerClave(const QString& clave);
    // The query for a write; what leerTabla read is dropped, as it may no longer be so.
    fb::Query& escritura();

    fb::Query& m_consulta;
    std::optional<QHash<QString, Fila>> m_tabla;
};
