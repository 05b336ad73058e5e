#pragma once

#include <QString>

// What a scanner types around a code. A station's scanner may be set to send a prefix and a suffix
// (the station's settings, section "Escaner" of config.xml, empty by default) and control
// characters (a carriage return, a tab, a group separator); none of it is part of the key.
struct EntradaEscaner {
    QString prefijo;
    QString sufijo;

    // The key to look up: control characters removed, then the prefix at the start and the suffix
    // at the end, each once and only where it stands. Blanks are kept: a stored key may have them.
    QString limpiar(const QString& texto) const;

    static const QString kSeccion; // "Escaner"
    static const QString kPrefijo; // "Prefijo"
    static const QString kSufijo;  // "Sufijo"
};
