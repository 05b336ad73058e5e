#include "uAyudaInfo.h"

#include "platform/Platform.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
const QString kFabricante = QStringLiteral("Zantor Sistemas");
const QString kContacto = QStringLiteral("soporte@zantor.com.mx\nTel. 33 3615 4020\nwww.zantor.com.mx");
} // namespace

TfrmAyudaInfo::TfrmAyudaInfo(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAyudaInfo"));
    setWindowTitle(QStringLiteral("Ayuda"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* producto = new QLabel(QStringLiteral("Lumivo v%1").arg(platform::programVersion()), this);
    auto* fabricante = new QLabel(kFabricante, this);
    fabricante->setObjectName(QStringLiteral("lblFabricante"));
    QFont negrita = fabricante->font();
    negrita.setBold(true);
    negrita.setPixelSize(16);
    fabricante->setFont(negrita);
    auto* contacto = new QLabel(kContacto, this);
    contacto->setObjectName(QStringLiteral("lblContacto"));
    for (QLabel* l : {producto, fabricante, contacto}) {
        l->setAlignment(Qt::AlignCenter);
        // Clicks on the labels must reach the window, which closes on any click.
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(l);
    }
    setFixedSize(320, 160);
}

void TfrmAyudaInfo::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}
