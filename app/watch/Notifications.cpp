#include "watch/Notifications.h"

#include "watch/NotificationService.h"
#include "watch/TimeOfDay.h"
#include "widgets/SettingsKeys.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace tavelin {
namespace {

// The action a service reports when the notification itself is clicked.
const QString kDefaultAction = QStringLiteral("default");

// Calls `done` with the finished call once its answer is in, on the UI thread.
void whenAnswered(const QDBusPendingCall& call, QObject* context,
                  std::function<void(const QDBusPendingCall&)> done) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         done(*finished);
                         finished->deleteLater();
                     });
}

} // namespace

Notifications::Setup Notifications::Setup::live() {
    Setup setup;
    setup.bus = QDBusConnection::sessionBus();
    setup.inBundle = true;
    setup.extraLine = [](AlertKind) { return Notifications::advisorLine(); };
    setup.settingsCommand =
        settingsCommandFor(qEnvironmentVariable("XDG_CURRENT_DESKTOP"), [](const QString& name) {
            return QStandardPaths::findExecutable(name);
        });
    return setup;
}

Notifications::Notifications(Setup setup, QObject* parent)
    : QObject(parent)
    , setup_(std::move(setup)) {
    if (!isActive())
        return;
    service_ = new NotificationService(setup_.bus, this);
    connect(service_, &NotificationService::ActionInvoked, this, &Notifications::actionInvoked);
    loadShown();
    QDBusPendingCall owner = setup_.bus.interface()->asyncCall(
        QStringLiteral("GetNameOwner"), QLatin1String(NotificationService::serviceName));
    whenAnswered(owner, this, [this](const QDBusPendingCall& answered) {
        QDBusPendingReply<QString> reply = answered;
        if (!reply.isError() && serviceOwner_.isEmpty())
            serviceOwner_ = reply.value();
    });
}

void Notifications::loadShown() {
    const QVariantMap stored = QSettings().value(SettingsKeys::notificationIds).toMap();
    for (auto entry = stored.begin(); entry != stored.end(); ++entry) {
        auto kind = alertKindFromRawValue(entry.key().toStdString());
        QStringList fields = entry.value().toStringList();
        bool isNumber = false;
        uint id = fields.value(0).toUInt(&isNumber);
        if (kind && isNumber && fields.size() == 2)
            shown_[*kind] = {id, fields[1]};
    }
}

void Notifications::storeShown() const {
    QVariantMap stored;
    for (const auto& [kind, shown] : shown_)
        stored.insert(
            QString::fromUtf8(rawValue(kind).data(), static_cast<qsizetype>(rawValue(kind).size())),
            QStringList{QString::number(shown.id), shown.service});
    QSettings().setValue(SettingsKeys::notificationIds, stored);
}

Notifications::~Notifications() = default;

std::optional<QString> Notifications::advisorLine() {
    QVariant stored = QSettings().value(SettingsKeys::advisorSafeBytes);
    bool isNumber = false;
    qlonglong bytes = stored.toLongLong(&isNumber);
    auto sentence = DiskAlert::advisorSentence(
        stored.isValid() && isNumber ? std::optional<int64_t>(bytes) : std::nullopt);
    if (!sentence)
        return std::nullopt;
    return QString::fromStdString(*sentence);
}

bool Notifications::isEnabled() {
    QVariant stored = QSettings().value(SettingsKeys::diskWarnings);
    return !stored.isValid() || stored.toBool();
}

bool Notifications::isActive() const {
    return setup_.inBundle && !setup_.isDemonstration && setup_.bus.isConnected();
}

void Notifications::setDenied(bool denied) {
    if (denied_ == denied)
        return;
    denied_ = denied;
    Q_EMIT deniedChanged();
}

void Notifications::askOnceIfNeeded() {
    if (!setup_.inBundle || setup_.isDemonstration || !isEnabled())
        return;
    QSettings settings;
    if (settings.value(SettingsKeys::askedForNotificationPermission, false).toBool())
        return;
    settings.setValue(SettingsKeys::askedForNotificationPermission, true);
    readStatus();
}

void Notifications::readStatus() {
    if (!isActive()) {
        setDenied(true);
        return;
    }
    whenAnswered(service_->asyncCall(QStringLiteral("GetCapabilities")), this,
                 [this](const QDBusPendingCall& call) { setDenied(call.isError() || refused_); });
}

void Notifications::post(const DiskAlert& alert, const QString& volume) {
    if (!isActive())
        return;
    std::string name = volume.toStdString();
    QString title = QString::fromStdString(alert.title(name, [](Date date) {
        return timeOfDay(date, QTimeZone::systemTimeZone(), QLocale()).toStdString();
    }));
    std::optional<QString> extra = setup_.extraLine ? setup_.extraLine(alert.kind) : std::nullopt;
    QString body = QString::fromStdString(
        alert.body(name, extra ? std::optional(extra->toStdString()) : std::nullopt));
    // Critical notifications stay until closed; the others may time out.
    uchar urgency = alert.kind == AlertKind::critical ? 2 : 1;
    QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(urgency)},
                      {QStringLiteral("category"), QStringLiteral("device")},
                      {QStringLiteral("sound-name"), QStringLiteral("dialog-warning")}};
    uint replacesId = replaceId(alert.kind).value_or(0);
    QDBusPendingCall call =
        service_->asyncCall(QStringLiteral("Notify"), QStringLiteral("Tavelin"), replacesId,
                            QStringLiteral("drive-harddisk"), title, body,
                            QStringList{kDefaultAction, QStringLiteral("Open Tavelin")}, hints, -1);
    whenAnswered(call, this, [this, kind = alert.kind](const QDBusPendingCall& answered) {
        QDBusPendingReply<uint> reply = answered;
        refused_ = reply.isError();
        if (!refused_) {
            // The answer comes from the service now running, whatever its name was before.
            serviceOwner_ = reply.reply().service();
            shown_[kind] = {reply.value(), serviceOwner_};
            storeShown();
        }
        setDenied(refused_);
    });
}

std::optional<uint> Notifications::replaceId(AlertKind kind) const {
    auto found = shown_.find(kind);
    if (found == shown_.end() || serviceOwner_.isEmpty() || found->second.service != serviceOwner_)
        return std::nullopt;
    return found->second.id;
}

void Notifications::actionInvoked(uint id, const QString& action) {
    if (action != kDefaultAction)
        return;
    for (AlertKind kind : kAlertKinds)
        if (replaceId(kind) == id) {
            openAdvisor();
            return;
        }
}

void Notifications::openAdvisor() {
    Q_EMIT advisorRequested();
}

bool Notifications::canOpenSystemSettings() const {
    return setup_.inBundle && setup_.settingsCommand.has_value();
}

void Notifications::openSystemSettings() {
    if (!canOpenSystemSettings())
        return;
    const QStringList& command = *setup_.settingsCommand;
    QProcess::startDetached(command.front(), command.mid(1));
}

std::optional<QStringList>
Notifications::settingsCommandFor(const QString& desktop,
                                  const std::function<QString(const QString&)>& findExecutable) {
    struct Known {
        const char* desktop;
        const char* program;
        const char* page;
    };
    // KDE Plasma 6 names its settings program "systemsettings", Plasma 5 "systemsettings5".
    static constexpr Known kKnown[] = {
        {"GNOME", "gnome-control-center", "notifications"},
        {"KDE", "systemsettings", "kcm_notifications"},
        {"KDE", "systemsettings5", "kcm_notifications"},
    };
    const QStringList names = desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& name : names)
        for (const Known& known : kKnown) {
            if (name.compare(QLatin1String(known.desktop), Qt::CaseInsensitive) != 0)
                continue;
            QString program = findExecutable(QLatin1String(known.program));
            if (!program.isEmpty())
                return QStringList{program, QLatin1String(known.page)};
        }
    return std::nullopt;
}

} // namespace tavelin
