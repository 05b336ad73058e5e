#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace platform {
namespace {

class QtNotifier final : public Notifier {
public:
    void message(QWidget* parent, const QString& text, const QString& title, Icon icon) override
    {
        QMessageBox box(parent);
        box.setText(text);
        box.setWindowTitle(title);
        switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::None:
            break;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }
    void beep() override { QApplication::beep(); }
};

QtNotifier g_qtNotifier;
Notifier* g_current = nullptr;

} // namespace

void Notifier::doubleBeep()
{
    beep();
    // Close enough to read as one signal, far enough apart to be heard as two.
    QTimer::singleShot(150, qApp, [] { notifier().beep(); });
}

Notifier& notifier()
{
    return g_current ? *g_current : g_qtNotifier;
}

void setNotifier(Notifier* replacement)
{
    g_current = replacement;
}

RecordingNotifier::RecordingNotifier()
    : m_previous(g_current)
{
    setNotifier(this);
}

RecordingNotifier::~RecordingNotifier()
{
    setNotifier(m_previous);
}

void RecordingNotifier::message(QWidget*, const QString& text, const QString& title, Icon icon)
{
    messages.push_back({text, title, icon});
}

} // namespace platform
