#include "LimiteClave.h"

#include "app/flujo/ReglasFlujo.h"

#include <QLineEdit>
#include <optional>

LimiteClave::LimiteClave(QLineEdit* campo, std::function<qsizetype()> limite)
    : QValidator(campo)
    , m_antes(campo->text())
    , m_limite(std::move(limite))
{
    // The field already holds the changed text when it asks; the text before is kept here.
    connect(campo, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.size() < m_antes.size())
            m_cortada = false;
        m_antes = t;
    });
}

QValidator::State LimiteClave::validate(QString& input, int& pos) const
{
    const qsizetype limite = m_limite();
    if (input.size() <= limite)
        return Acceptable;
    m_cortada = true;
    const std::optional<flujo::TextoRecortado> r = flujo::recortarInsercion(m_antes, input, limite);
    if (!r)
        return Invalid;
    input = r->texto;
    pos = r->cursor;
    return Acceptable;
}
