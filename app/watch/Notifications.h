#pragma once

// Free-space warnings as desktop notifications, through the freedesktop notification service.
// Each kind of warning replaces its own previous notification, also one a Tavelin run before
// left: the service's replace id stands for a notification identifier and is kept in the
// settings with the service's unique bus name, which no later service takes, so an id is only
// reused with the service that gave it. Clicking one asks for the advisor. "Only N left" is
// sent critical, so the service keeps it until the user closes it. A desktop without the service,
// or a service that refuses a notification, counts as notifications being turned off: posting then
// simply shows nothing.
//
// Nothing here touches the service unless the process runs as the installed program
// (`inBundle`): the test suites leave it off, or point `bus` at a private bus of their own.
// Lives on the UI thread; every call to the service is asynchronous.

#include "freespace/DiskAlert.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>

namespace tavelin {

class NotificationService;

class Notifications : public QObject {
    Q_OBJECT
public:
    struct Setup {
        QDBusConnection bus{QString()};
        bool inBundle = false;
        bool isDemonstration = false;
        // The sentence added to a warning of a kind; empty or nothing adds none.
        std::function<std::optional<QString>(AlertKind)> extraLine;
        // The command that opens the desktop's notification settings, when one is known.
        std::optional<QStringList> settingsCommand;

        // The program's own: the session bus, the advisor's sentence from the settings, the
        // settings of the desktop named in XDG_CURRENT_DESKTOP.
        static Setup live();
    };

    explicit Notifications(Setup setup, QObject* parent = nullptr);
    ~Notifications() override;

    // Whether free-space warnings are wanted ("diskWarnings", on unless turned off).
    static bool isEnabled();
    // The sentence a warning ends with when the last whole-disk scan found space that can go
    // safely ("advisorSafeBytes"); nothing before such a scan.
    static std::optional<QString> advisorLine();
    bool inBundle() const { return setup_.inBundle; }

    // After a finished scan: the first time only, with warnings wanted, checks that the desktop
    // can show notifications. Freedesktop notifications need no permission of their own, so
    // this check is all there is to ask; its answer lands in `isDenied`.
    void askOnceIfNeeded();
    // Asks the service whether it is there; the answer arrives in `isDenied`. Outside the
    // program notifications count as turned off at once.
    void readStatus();
    // Whether notifications are turned off: no service, or it refused the last one. Nothing
    // before the first answer.
    std::optional<bool> isDenied() const { return denied_; }

    // Shows the warning: title and body for `volume`, the extra line of its kind.
    void post(const DiskAlert& alert, const QString& volume);
    // The service's id of the kind's notification, which the next one of the kind replaces;
    // nothing before the service now running answered one of the kind.
    std::optional<uint> replaceId(AlertKind kind) const;

    // Brings Tavelin forward with the advisor shown.
    void openAdvisor();
    bool canOpenSystemSettings() const;
    void openSystemSettings();

    // The command that opens the notification settings of a desktop (as XDG_CURRENT_DESKTOP
    // names it) found by `findExecutable` (a path, or empty when missing): GNOME's and KDE's.
    static std::optional<QStringList>
    settingsCommandFor(const QString& desktop,
                       const std::function<QString(const QString&)>& findExecutable);

Q_SIGNALS:
    void advisorRequested();
    void deniedChanged();

private:
    // A notification the service showed: its id, and the service's unique bus name.
    struct Shown {
        uint id = 0;
        QString service;
    };

    bool isActive() const;
    void setDenied(bool denied);
    void actionInvoked(uint id, const QString& action);
    void loadShown();
    void storeShown() const;

    Setup setup_;
    NotificationService* service_ = nullptr;
    std::map<AlertKind, Shown> shown_;
    QString serviceOwner_; // the running service's unique bus name, once known
    bool refused_ = false; // the service turned down the last notification
    std::optional<bool> denied_;
};

} // namespace tavelin
