#include "ui/untNote.h"

#include "desktop/WindowLook.h"

#include <QLabel>
#include <QPixmap>

namespace tarvex {

TfrmNote::TfrmNote(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmNote"));
    setWindowTitle(QStringLiteral("Help"));
    setFont(windowFont());
    setFixedSize(contentSize);
    setAttribute(Qt::WA_QuitOnClose, false);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(QPoint(0, 0), contentSize));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(QStringLiteral(":/tarvex/note.jpg")));
}

} // namespace tarvex
