#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

// Reads a small XML file whole, for a parser to take next. Refuses a file over `maxBytes` without
// reading past that, and a document whose DTD declares entities before anything is expanded: the
// parser expands an internal entity up to a limit per entity, not per document, so a small file
// that references one large entity many times takes hundreds of megabytes (and a rewrite would
// store the expanded text). Only the prolog is scanned; a prolog that does not parse is left for
// the caller's parser to report.
struct XmlFileRead {
    enum class Status {
        Ok,
        OpenFailed,       // error: the device's reason
        ReadFailed,       // error: the device's reason
        TooLarge,         // more than maxBytes
        DeclaresEntities, // line, column: the reader's position after the DTD
    };
    Status status = Status::Ok;
    QByteArray data;
    QString error;
    qint64 line = 0;
    qint64 column = 0;
};

// `adjust`, when given, runs on the contents before the scan (a known defect of a writer repaired
// in memory, for instance).
XmlFileRead readXmlFile(const QString& path, qint64 maxBytes, const std::function<void(QByteArray&)>& adjust = {});

// The one judge of element names: true when our own reader, without namespace processing, reads
// "<name/>" as a single element of exactly that name, so that a name we write is one that reads
// back (texts such as "a b='1'" parse, but as something else).
bool isXmlElementName(const QString& name);

// The name characters of XML 1.0 (fifth edition) without ":", which would read as a namespace
// prefix. Wider than what our reader takes (it follows the older tables of XML 1.0); a name made of
// them also keeps blanks, quotes and markup out, so it can be put to isXmlElementName safely.
bool isXmlNameStartChar(char32_t c);
bool isXmlNameChar(char32_t c);

} // namespace platform
