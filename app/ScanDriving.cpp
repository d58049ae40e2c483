// The scan-driving half of AppModel: starting scans, asking for folder access, and what
// happens when a scan ends.

#include "AppModel.h"
#include "DataFolder.h"
#include "FileManager.h"
#include "QtMainQueue.h"
#include "SettingsKeys.h"
#include "history/History.h"
#include "history/Store.h"
#include "privacy/Privacy.h"
#include "scan/FolderProblem.h"
#include "util/Paths.h"

#include <QFileDialog>
#include <QPointer>
#include <QSettings>
#include <algorithm>
#include <thread>

namespace tavelin {
namespace {

constexpr int64_t kLargeFileThreshold = 1'000'000;
constexpr int kKeptRecords = 20;
constexpr int kMaxRecents = 6;
constexpr std::chrono::milliseconds kViewRefresh(250);

std::string expandTilde(const std::string& path, const std::string& home) {
    if (path == "~")
        return home;
    if (path.starts_with("~/"))
        return home + path.substr(1);
    return path;
}

} // namespace

AppModel::Environment AppModel::Environment::live() {
    int workers = ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    Environment environment;
    environment.queue = std::make_shared<QtMainQueue>();
    environment.pool = std::make_shared<WorkerPool>(workers + 1);
    environment.workerCount = workers;
    // Linux has no permission that guards protected folders: access counts as granted.
    environment.accessProbe = [] { return true; };
    environment.readVolumes = [] { return platform::readVolumes(); };
    if (!qEnvironmentVariableIsEmpty("APP_SANDBOX_CONTAINER_ID"))
        environment.askFolderAccess = [](const std::string&) { return true; };
    environment.openFile = FileManager::openFile;
    environment.reveal = FileManager::reveal;
    environment.historyDirectory = (dataFolder() / "History").string();
    environment.userHome = Privacy::userHome();
    environment.disk = BreakdownState::Services::live();
    return environment;
}

void AppModel::scan(const std::string& path, std::optional<std::string> name) {
    if (isSandboxed()) {
        if (environment_.askFolderAccess(path))
            start(path, std::move(name));
        return;
    }
    recheckAccess();
    if (!hasFullDiskAccess_ &&
        !QSettings().value(SettingsKeys::scansWithoutAccess, false).toBool() &&
        !Privacy::foldersToSkip(path, environment_.userHome).empty()) {
        askForAccess(path, std::move(name));
        return;
    }
    start(path, std::move(name));
}

void AppModel::scheduleTreeChange() {
    // Walkers can finish many jobs between two frames. Views refresh at most four times a
    // second while a scan runs, so the UI thread stays free to hand out the next jobs.
    if (treeChangeTimer_.isActive())
        return;
    auto since = std::chrono::steady_clock::now() - lastTreeChange_;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kViewRefresh - since);
    bool running = session_ && session_->isRunning();
    treeChangeTimer_.start(running ? std::max<std::chrono::milliseconds>(wait, {})
                                   : std::chrono::milliseconds(0));
}

void AppModel::rescan(const Node::Ptr& node) {
    if (!session_)
        return;
    Node::Ptr target = node ? node : current_ ? current_ : session_->root();
    if (target == session_->root())
        scan(session_->path(), session_->root()->name);
    else
        session_->rescan(target);
}

void AppModel::stopScanning() {
    if (!session_ || !session_->isRunning())
        return;
    session_->cancel();
    live_->stopWatcher();
    treeChanged();
}

Node::Ptr AppModel::sharingExample() const {
    if (!session_)
        return nullptr;
    Node::Ptr best;
    std::vector<Node::Ptr> stack{session_->root()};
    while (!stack.empty()) {
        Node::Ptr node = std::move(stack.back());
        stack.pop_back();
        if (node != session_->root() && node->shared() > 0 &&
            (!best || node->shared() > best->shared()))
            best = node;
        for (const auto& child : node->children())
            if (child->isDirectory())
                stack.push_back(child);
    }
    return best;
}

void AppModel::chooseFolder(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose a folder or disk to scan."));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Scan"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        scan(dialog.selectedFiles().front().toStdString());
}

const platform::Volume* AppModel::volumeScanning(const std::string& path) const {
    auto found =
        std::find_if(volumes_.begin(), volumes_.end(),
                     [&](const platform::Volume& volume) { return volume.scanPath == path; });
    return found == volumes_.end() ? nullptr : &*found;
}

void AppModel::start(const std::string& path, std::optional<std::string> name) {
    if (session_)
        session_->cancel();
    std::optional<int64_t> expected;
    if (const platform::Volume* disk = volumeScanning(path)) {
        expected = std::max<int64_t>(disk->total - disk->free, 0);
        if (!name)
            name = disk->name;
    }
    PathSet skip;
    if (!hasFullDiskAccess_ && !isSandboxed())
        skip = Privacy::foldersToSkip(path, environment_.userHome);
    auto session = std::make_shared<ScanSession>(
        path, std::move(name), std::move(skip), expected, kLargeFileThreshold,
        ScanSession::Context{environment_.queue, environment_.pool, environment_.workerCount});
    // A replaced session may still report; only the shown one reaches the model.
    QPointer<AppModel> model(this);
    ScanSession* raw = session.get();
    session->onChange = [model, raw] {
        if (model && model->session_.get() == raw)
            model->scheduleTreeChange();
    };
    session->onFinish = [model, raw](const Node::Ptr& root) {
        if (model && model->session_.get() == raw)
            model->scanFinished(root);
    };
    live_->scanStarted(session);
    resetPerScanState(path);
    session_ = session;
    Q_EMIT sessionChanged();
    setCurrent(session->root());
    backStack_.clear();
    forwardStack_.clear();
    Q_EMIT stacksChanged();
    setSelection({});
    setHoverIndex(std::nullopt);
    setNotice(std::nullopt);
    setAccessBannerDismissed(false);
    setSidebarSelection(path);
    session->start();
    volumesRead_ = {};
    treeChanged();
    remember(path);
}

void AppModel::resetPerScanState(const std::string& path) {
    // Each later subsystem (advisor, applying) clears its per-scan state here with its own
    // issue.
    changes_.clear();
    changesCompared_ = false;
    setSearchText({});
    History::Store store(environment_.historyDirectory, kKeptRecords);
    previousRecord_ = store.latest(standardizedPath(path), std::chrono::system_clock::now());
    Q_EMIT changesChanged();
    breakdown_->reset(path, volumeScanning(path) != nullptr);
}

void AppModel::deleteLocalSnapshots() {
    if (!session_)
        return;
    QPointer<AppModel> model(this);
    breakdown_->deleteLocalSnapshots(session_->path(), [model] {
        if (model)
            model->treeChanged();
    });
}

void AppModel::remember(const std::string& path) {
    if (environment_.isDemonstration || volumeScanning(path) || path == environment_.userHome)
        return;
    std::erase(recents_, path);
    recents_.insert(recents_.begin(), path);
    if (recents_.size() > kMaxRecents)
        recents_.resize(kMaxRecents);
    QStringList stored;
    for (const auto& recent : recents_)
        stored << QString::fromStdString(recent);
    QSettings().setValue(SettingsKeys::recents, stored);
    Q_EMIT recentsChanged();
}

void AppModel::scanFinished(const Node::Ptr& root) {
    introduceSharing(*root);
    recordScan(*root);
    // The advisor run and the safe-bytes figure come here, each with its own issue.
    if (environment_.askNotificationPermission)
        environment_.askNotificationPermission();
    live_->restartWatcher();
}

void AppModel::introduceSharing(const Node& root) {
    QSettings settings;
    if (settings.value(SettingsKeys::sharingIntroduced, false).toBool())
        return;
    if (!sharingWorthExplaining(root.size, root.unique))
        return;
    settings.setValue(SettingsKeys::sharingIntroduced, true);
    setExplainingSharing(true);
}

bool AppModel::sharingWorthExplaining(int64_t size, int64_t unique) {
    constexpr int64_t kLargeTree = 19'999'999'999;
    int64_t shared = size - unique;
    return shared >= 0 && (size > kLargeTree ? shared >= size / 20 : shared >= 1'000'000'000);
}

void AppModel::recordScan(const Node& root) {
    ScanRecord record = ScanRecord::of(root, std::chrono::system_clock::now());
    if (previousRecord_) {
        changes_ = History::changes(*previousRecord_, record, 50'000'000, 60);
        changesCompared_ = true;
        Q_EMIT changesChanged();
    }
    environment_.pool->submit(
        [directory = environment_.historyDirectory, record = std::move(record)] {
            // A failed save only means the next scan has nothing to compare with.
            [[maybe_unused]] auto error = History::Store(directory, kKeptRecords).save(record);
        });
}

void AppModel::setAskingForAccess(bool asking) {
    if (isAskingForAccess_ == asking)
        return;
    isAskingForAccess_ = asking;
    Q_EMIT accessChanged();
}

void AppModel::askForAccess(std::optional<std::string> thenScan, std::optional<std::string> name) {
    std::string path;
    if (thenScan) {
        path = *thenScan;
    } else {
        path = session_ ? session_->path() : environment_.userHome;
        if (!name && session_)
            name = session_->root()->name;
    }
    pendingScan_ = PendingScan{path, name};
    setAskingForAccess(true);
    accessPoll_.start();
}

void AppModel::pollAccess() {
    if (!isAskingForAccess_) {
        accessPoll_.stop();
        return;
    }
    recheckAccess();
}

void AppModel::recheckAccess() {
    bool had = hasFullDiskAccess_;
    hasFullDiskAccess_ = environment_.isDemonstration || environment_.accessProbe();
    if (had != hasFullDiskAccess_)
        Q_EMIT accessChanged();
    if (had || !hasFullDiskAccess_ || !isAskingForAccess_ || !pendingScan_)
        return;
    setAskingForAccess(false);
    startPendingScan();
}

void AppModel::scanWithoutAccess() {
    QSettings().setValue(SettingsKeys::scansWithoutAccess, true);
    setAskingForAccess(false);
    startPendingScan();
}

void AppModel::startPendingScan() {
    if (!pendingScan_)
        return;
    PendingScan pending = std::move(*pendingScan_);
    pendingScan_.reset();
    start(pending.path, pending.name);
}

void AppModel::cancelAccessRequest() {
    setAskingForAccess(false);
    pendingScan_.reset();
}

void AppModel::scanLaunchPath(const std::string& path) {
    if (launchPathScanned_ || path.empty())
        return;
    launchPathScanned_ = true;
    std::string expanded = expandTilde(path, environment_.userHome);
    // Only a folder is scanned, and so remembered; anything else is said on the status line.
    if (auto problem = folderProblem(expanded)) {
        setNotice(QString::fromStdString(*problem));
        return;
    }
    scan(expanded);
}

} // namespace tavelin
