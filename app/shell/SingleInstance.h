#pragma once

// One Tavelin per user: the first process listens on a local socket, and a later launch hands
// its request (a window, with a folder to scan or none) to it and ends, so that the free-space
// watch and its warnings never run twice. The socket lives in the user's runtime folder, which
// only the user can enter; elsewhere it is made for the user alone.
//
// Lives on the UI thread.

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>
#include <string>

namespace tavelin {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket for this user: in $XDG_RUNTIME_DIR, else in the temporary folder.
    static QString defaultName();
    // Asks the Tavelin listening on `name` for a window scanning `path` (empty: none); true
    // once it has taken the request, false when none listens or it did not answer in time.
    static bool handOver(const QString& name, const std::string& path,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Listens on `name`, taking over a socket left behind by a process that ended.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    bool isListening() const { return server_.isListening(); }

Q_SIGNALS:
    void windowRequested(const std::string& path);

private:
    void accept();

    QLocalServer server_;
};

} // namespace tavelin
