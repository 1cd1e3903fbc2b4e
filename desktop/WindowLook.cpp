#include "desktop/WindowLook.h"

#include <QApplication>
#include <QStringList>
#include <QStyleFactory>

namespace tarvex {

QFont windowFont() {
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Nimbus Sans"),
                                 QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                 QStringLiteral("Sans Serif")});
    font.setPixelSize(11);
    return font;
}

void useClassicStyle() {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}

} // namespace tarvex
