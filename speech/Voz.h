#pragma once

#include <QString>
#include <QStringList>

// The station's voice. Speaking never waits: decir() queues the text and returns, and a new
// text or callar() cuts off whatever is being said at once.
class Voz {
public:
    virtual ~Voz() = default;
    virtual void decir(const QString& texto) = 0;
    virtual void callar() = 0;
};

// Keeps what the station would have said, in order; tests install it in place of the system's
// voice, as they do with the message boxes.
class VozGrabadora final : public Voz {
public:
    void decir(const QString& texto) override { registro << QStringLiteral("decir: ") + texto; }
    void callar() override { registro << QStringLiteral("callar"); }

    // Only the texts, without the interruptions.
    QStringList dichos() const;

    QStringList registro;
};
