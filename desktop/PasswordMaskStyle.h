#pragma once

#include <QProxyStyle>

namespace tarvex {

// The style of the password entry: every character shows as "#".
class PasswordMaskStyle : public QProxyStyle {
public:
    explicit PasswordMaskStyle(QObject* owner);

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

} // namespace tarvex
