#pragma once

#include <QString>
#include <QValidator>
#include <functional>

class QLineEdit;

// Bounds what is typed or pasted into the key field; a text set by the program keeps its length.
// Like a length-limited edit box, an insertion (a paste) keeps as much of itself as fits. The
// bound is a key's length plus what the scanner sends around it, which the lookup removes; it
// remembers that a scan was cut, until the text shrinks.
class LimiteClave : public QValidator {
public:
    LimiteClave(QLineEdit* campo, std::function<qsizetype()> limite);
    State validate(QString& input, int& pos) const override;
    bool cortada() const noexcept { return m_cortada; }
    void olvidarCorte() noexcept { m_cortada = false; }

private:
    QString m_antes;
    std::function<qsizetype()> m_limite;
    mutable bool m_cortada = false;
};
