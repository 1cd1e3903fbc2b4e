#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <ostream>

// Readable values in the messages of failed expectations.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QUrl& url, std::ostream* out) {
    *out << url.toString().toStdString();
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (const QString& text : texts) {
        PrintTo(text, out);
        *out << ' ';
    }
    *out << '}';
}
