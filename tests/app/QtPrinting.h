#pragma once

// Lets test failures show Qt's strings as text rather than as bytes.

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << "{\"" << texts.join(QStringLiteral("\", \"")).toStdString() << "\"}";
}
