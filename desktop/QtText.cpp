#include "desktop/QtText.h"

#include "texts/Wording.h"

#include <QCoreApplication>
#include <QFile>
#include <QVariant>

namespace tarvex {

namespace {

constexpr const char* applicationTitleProperty = "tarvexApplicationTitle";

} // namespace

QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString shownText(std::string_view name) {
    return qtText(shownName(name));
}

Secret secretOf(QString typed) {
    QByteArray bytes = typed.toUtf8();
    typed.fill(QLatin1Char('\0'));
    Secret secret = Secret::copyOf({bytes.constData(), std::size_t(bytes.size())});
    wipe({bytes.data(), std::size_t(bytes.size())});
    return secret;
}

QStringList nameFiltersOf(std::string_view filter) {
    const QStringList parts = qtText(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" stands for every file, names without a dot included, as Qt's "*" does.
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        }
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

QString messageText(std::string_view text) {
    QString shown = qtText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void setApplicationTitle(const QString& title) {
    QCoreApplication::instance()->setProperty(applicationTitleProperty, title);
}

QString applicationTitle() {
    return QCoreApplication::instance()->property(applicationTitleProperty).toString();
}

QString programFolder() {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

} // namespace tarvex
