#include "ui/untAbout.h"

#include "desktop/Dialogs.h"
#include "desktop/QtText.h"
#include "desktop/WindowLook.h"
#include "texts/Catalogue.h"
#include "ui/Links.h"
#include "ui/untNote.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

namespace tarvex {

TfrmAbout::TfrmAbout(Dialogs& dialogs, TfrmNote* note, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs), note_(note) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFont(windowFont());
    setFixedSize(contentSize);
    setAttribute(Qt::WA_QuitOnClose, false);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(24, 16, 209, 145);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(QStringLiteral(":/tarvex/about.jpg")));
}

void TfrmAbout::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    if (Image1->geometry().contains(event->position().toPoint()))
        Image1Click();
    else
        FormClick();
}

void TfrmAbout::openHomePage() {
    dialogs_.openPage(this, QUrl(siteAddress(programFolder(), homePage)));
}

void TfrmAbout::Button2Click() {
    if (note_ != nullptr)
        note_->show();
}

void TfrmAbout::Label3Click() {
    openHomePage();
}

void TfrmAbout::Image1Click() {
    openHomePage();
}

void TfrmAbout::FormClick() {
    openHomePage();
}

} // namespace tarvex
