#pragma once

#include <QString>
#include <QStringList>

namespace tavelin {

// What the command line asked for: "-scan PATH" scans PATH when the first window shows.
struct LaunchOptions {
    QString scanPath;

    static LaunchOptions parse(const QStringList& arguments);
};

} // namespace tavelin
