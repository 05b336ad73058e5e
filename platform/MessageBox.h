#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace platform {

enum class Icon { None, Information, Warning, Error };

// The title of the station's own messages. The general error report is titled with the
// application's name instead (ErrorReport.h).
inline const QString kMessageTitle = QStringLiteral("Zantor");

// Message boxes and the alert sound go through here, so tests can swap the real
// modal box for a recorder and never block on one.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void message(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;
    virtual void beep() = 0;
    // A short double beep: a code that was read wrong. By default a beep now and one a moment later.
    virtual void doubleBeep();
};

// The notifier in use; the real one (QMessageBox, QApplication::beep) unless a test installed another.
Notifier& notifier();
// Installs a notifier (nullptr restores the real one). The caller keeps ownership.
void setNotifier(Notifier* replacement);

inline void showMessage(QWidget* parent, const QString& text, const QString& title, Icon icon)
{
    notifier().message(parent, text, title, icon);
}
inline void beep()
{
    notifier().beep();
}
inline void doubleBeep()
{
    notifier().doubleBeep();
}

// Records every message and beep instead of showing them; installs itself for its lifetime.
class RecordingNotifier final : public Notifier {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
    };

    RecordingNotifier();
    ~RecordingNotifier() override;
    RecordingNotifier(const RecordingNotifier&) = delete;
    RecordingNotifier& operator=(const RecordingNotifier&) = delete;

    void message(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
    void beep() override { ++beeps; }
    // Both beeps at once, so a test sees them without waiting.
    void doubleBeep() override
    {
        beeps += 2;
        ++doubleBeeps;
    }

    void clear()
    {
        messages.clear();
        beeps = 0;
        doubleBeeps = 0;
    }

    std::vector<Message> messages;
    int beeps = 0;
    int doubleBeeps = 0;

private:
    Notifier* m_previous;
};

} // namespace platform
