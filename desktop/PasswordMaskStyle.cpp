#include "desktop/PasswordMaskStyle.h"

namespace tarvex {

PasswordMaskStyle::PasswordMaskStyle(QObject* owner) {
    setParent(owner);
}

int PasswordMaskStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const {
    if (hint == SH_LineEdit_PasswordCharacter)
        return '#';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace tarvex
