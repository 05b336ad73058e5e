#include "XmlFile.h"

#include <QFile>
#include <QXmlStreamReader>

namespace platform {

XmlFileRead readXmlFile(const QString& path, qint64 maxBytes, const std::function<void(QByteArray&)>& adjust)
{
    XmlFileRead result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = XmlFileRead::Status::OpenFailed;
        result.error = file.errorString();
        return result;
    }
    result.data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.status = XmlFileRead::Status::ReadFailed;
        result.error = file.errorString();
        result.data.clear();
        return result;
    }
    if (result.data.size() > maxBytes) {
        result.status = XmlFileRead::Status::TooLarge;
        result.data.clear();
        return result;
    }
    if (adjust)
        adjust(result.data);

    // The DTD, if any, comes before the document element.
    QXmlStreamReader reader(result.data);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            break;
        if (token == QXmlStreamReader::DTD && !reader.entityDeclarations().isEmpty()) {
            result.status = XmlFileRead::Status::DeclaresEntities;
            result.line = reader.lineNumber();
            result.column = reader.columnNumber();
            result.data.clear();
            break;
        }
    }
    return result;
}

bool isXmlElementName(const QString& name)
{
    QXmlStreamReader reader(QChar(u'<') + name + QStringLiteral("/>"));
    reader.setNamespaceProcessing(false);
    if (!reader.readNextStartElement() || reader.qualifiedName() != name)
        return false;
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

bool isXmlNameStartChar(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || c == U'_' || (c >= U'a' && c <= U'z') || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isXmlNameChar(char32_t c)
{
    return isXmlNameStartChar(c) || c == U'-' || c == U'.' || (c >= U'0' && c <= U'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

} // namespace platform
