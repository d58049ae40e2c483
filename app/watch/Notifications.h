#pragma once

// Free-space warnings as desktop notifications, through the freedesktop notification service.
// Each kind of warning replaces its own previous notification (the service's replace id stands
// for a notification identifier, kept for the life of the process); clicking one asks for the
// advisor. A desktop without the service, or a service that refuses a notification, counts as
// notifications being turned off: posting then simply shows nothing.
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
    // nothing before the service answered the first.
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
    bool isActive() const;
    void setDenied(bool denied);
    void actionInvoked(uint id, const QString& action);

    Setup setup_;
    NotificationService* service_ = nullptr;
    std::map<AlertKind, uint> replaceIds_;
    bool refused_ = false; // the service turned down the last notification
    std::optional<bool> denied_;
};

} // namespace tavelin
