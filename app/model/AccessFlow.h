#pragma once

// The folder-access flow of one window: whether protected folders can be read, the question
// the access sheet asks, the scan that waits for the answer, and the probe repeated every
// second while asking. It decides when the waiting scan may start; starting it is the model's.
//
// Lives on the UI thread and is owned by the window's AppModel. `changed` follows every change
// of its state; `released` hands the waiting scan back once access is granted or the user
// chose to go without.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace tavelin {

struct PendingScan {
    std::string path;
    std::optional<std::string> name;
    bool operator==(const PendingScan&) const = default;
};

class AccessFlow : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{1000};

    // `probe` answers whether protected folders can be read now; it is asked at once.
    explicit AccessFlow(std::function<bool()> probe, QObject* parent = nullptr);

    bool hasFullDiskAccess() const { return granted_; }
    bool isAskingForAccess() const { return asking_; }
    const std::optional<PendingScan>& pendingScan() const { return pending_; }
    // Whether a scan that would leave protected folders out asks first: access is not granted
    // and the user has not chosen to scan without it.
    bool asksBeforeSkipping() const;

    // Opens the question for `scan` and probes every second until it is answered.
    void ask(PendingScan scan);
    // Probes again. Access granted just now, while asking, releases the waiting scan.
    void recheck();
    // The user chose to scan without access: never ask again, and release the waiting scan.
    void scanWithoutAccess();
    // The question was closed: the waiting scan is dropped.
    void cancel();

Q_SIGNALS:
    void changed();
    void released(const PendingScan& scan);

private:
    void setAsking(bool asking);
    void release();

    std::function<bool()> probe_;
    bool granted_ = false;
    bool asking_ = false;
    std::optional<PendingScan> pending_;
    QTimer poll_;
};

} // namespace tavelin
