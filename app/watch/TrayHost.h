#pragma once

// Whether the desktop has a system tray to show the free-space item in, followed as trays come
// and go: a panel that starts after Tavelin, or restarts, is used once it is up.
//
// Trays today are StatusNotifier hosts, which register with the StatusNotifierWatcher on the
// session bus; that is asked first, and its signals say when a host arrives or leaves. Qt asks
// the same once per process and keeps the answer, so Qt is asked (`otherTray`, the older
// embedded trays) only when no host is there: asking before a late panel comes up would keep
// Tavelin out of that panel's tray for good.
//
// Lives on the UI thread; the watcher is asked without waiting for its answer.

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <functional>

namespace tavelin {

class StatusNotifierWatcher;

class TrayHost : public QObject {
    Q_OBJECT
public:
    struct Setup {
        // Where the StatusNotifierWatcher is looked for; not connected: nowhere.
        QDBusConnection bus{QString()};
        // Whether a tray of another kind is there; none when empty.
        std::function<bool()> otherTray;

        // The session bus, and Qt's answer for embedded trays.
        static Setup live();
    };

    explicit TrayHost(Setup setup, QObject* parent = nullptr);
    ~TrayHost() override;

    bool isAvailable() const { return available_; }

Q_SIGNALS:
    void availableChanged();

private:
    void followWatcher();
    // Asks the watcher whether a host is registered; the answer settles it.
    void recheck();
    void settle(bool hasHost);

    Setup setup_;
    StatusNotifierWatcher* watcher_ = nullptr;
    // Embedded trays send no signal: looked for again now and then while there is no tray.
    QTimer poll_;
    bool available_ = false;
};

} // namespace tavelin
