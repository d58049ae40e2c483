// The scan-driving half of AppModel: starting scans, asking for folder access, and what
// happens when a scan ends.

#include "demo/DemoHome.h"
#include "model/AppModel.h"
#include "privacy/Privacy.h"
#include "scan/FolderProblem.h"
#include "util/Paths.h"
#include "widgets/ExcludedFolders.h"
#include "widgets/SettingsKeys.h"

#include <QPointer>
#include <QSettings>
#include <algorithm>

namespace tavelin {
namespace {

constexpr int kMaxRecents = 6;
constexpr std::chrono::milliseconds kViewRefresh(250);

} // namespace

void AppModel::scan(std::string path, std::optional<std::string> name) {
    if (isSandboxed()) {
        if (environment_.askFolderAccess(path))
            start(std::move(path), std::move(name));
        return;
    }
    access_->recheck();
    if (access_->asksBeforeSkipping() &&
        !Privacy::foldersToSkip(path, environment_.userHome).empty()) {
        askForAccess(std::move(path), std::move(name));
        return;
    }
    start(std::move(path), std::move(name));
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
    // A scan file is read again whole: it has no folder here to measure.
    if (importedFrom_) {
        if (importedPath_ == "-")
            setNotice(QStringLiteral("A scan read from standard input can’t be read again."));
        else
            openScanFile(importedPath_);
        return;
    }
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

const platform::Volume* AppModel::volumeScanning(const std::string& path) const {
    if (importedFrom_)
        return nullptr;
    auto found =
        std::find_if(volumes_.begin(), volumes_.end(),
                     [&](const platform::Volume& volume) { return volume.scanPath == path; });
    return found == volumes_.end() ? nullptr : &*found;
}

bool AppModel::refusedWhileApplying() {
    if (!apply_->isApplying())
        return false;
    setNotice(QStringLiteral("Tavelin is applying steps. Scan again once they’re done."));
    return true;
}

void AppModel::start(std::string path, std::optional<std::string> name) {
    if (refusedWhileApplying())
        return;
    if (session_)
        session_->cancel();
    if (environment_.isDemonstration)
        path = std::string(DemoHome::path);
    // A scan file still being read is dropped: the scan asked for last wins.
    reading_ = 0;
    importedFrom_.reset();
    importedPath_.clear();
    begin(makeSession(path, std::move(name)), path);
    remember(path);
}

void AppModel::begin(std::shared_ptr<ScanSession> session, std::optional<std::string> sidebarPath) {
    if (session_)
        session_->cancel();
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
    resetPerScanState(session);
    session_ = session;
    Q_EMIT sessionChanged();
    // The new tree fades in: the zoom of the last folder change belongs to the old one.
    setZoomFrom(std::nullopt);
    setCurrent(session->root());
    backStack_.clear();
    forwardStack_.clear();
    Q_EMIT stacksChanged();
    setSelection({});
    setHoverIndex(std::nullopt);
    setNotice(std::nullopt);
    setAccessBannerDismissed(false);
    setSidebarSelection(std::move(sidebarPath));
    session->start();
    volumesRead_ = {};
    treeChanged();
    Q_EMIT scanFileChanged();
}

std::shared_ptr<ScanSession> AppModel::makeSession(const std::string& path,
                                                   std::optional<std::string> name) const {
    ScanSession::Context context{environment_.queue, environment_.pool, environment_.workerCount};
    if (environment_.isDemonstration) {
        DemoHome demo = DemoHome::generate(std::chrono::system_clock::now(), largeFileThreshold);
        return std::make_shared<ScanSession>(demo.root(), demo.kinds(), largeFileThreshold,
                                             std::move(context));
    }
    std::optional<int64_t> expected;
    if (const platform::Volume* disk = volumeScanning(path)) {
        expected = disk->used();
        if (!name)
            name = disk->name;
    }
    PathSet skip;
    if (!access_->hasFullDiskAccess() && !isSandboxed())
        skip = Privacy::foldersToSkip(path, environment_.userHome);
    auto session = std::make_shared<ScanSession>(path, std::move(name), std::move(skip), expected,
                                                 largeFileThreshold, std::move(context));
    session->setExclusions(ExcludedFolders::exclusions());
    return session;
}

void AppModel::resetPerScanState(const std::shared_ptr<ScanSession>& session) {
    const std::string& path = session->path();
    setSearchText({});
    // A scan file is compared with the earlier ones of its name and folder, by their dates; its
    // location never equals a folder scanned here, whose paths start with "/".
    if (importedFrom_)
        history_->begin(importedFrom_->fileName + ":" + path, session->root(),
                        importedFrom_->written);
    else
        history_->begin(path, session->root(), std::nullopt, session->exclusions().entries());
    breakdown_->reset(path, volumeScanning(path) != nullptr);
    advisor_->reset(session);
    apply_->reset(session);
    cloudProviders_ = advisor_->syncFolders();
}

std::optional<platform::Volume> AppModel::diskFor(const std::string& path) const {
    if (const platform::Volume* disk = volumeScanning(path))
        return *disk;
    auto boot = std::ranges::find_if(volumes_, &platform::Volume::isBoot);
    return boot == volumes_.end() ? std::nullopt : std::optional(*boot);
}

void AppModel::deleteLocalSnapshots() {
    if (!session_ || refusedScanFile())
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
    agents_->scanFinished();
    history_->finish(*root);
    advisor_->run(root, volumeScanning(session_->path()) != nullptr);
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

void AppModel::askForAccess(std::optional<std::string> thenScan, std::optional<std::string> name) {
    std::string path;
    if (thenScan) {
        path = *thenScan;
    } else {
        path = session_ ? session_->path() : environment_.userHome;
        if (!name && session_)
            name = session_->root()->name;
    }
    access_->ask(PendingScan{path, name});
}

void AppModel::scanLaunchPath(const std::string& path) {
    if (launchPathScanned_ || path.empty())
        return;
    launchPathScanned_ = true;
    std::string expanded = expandedHome(path, environment_.userHome);
    // Only a folder is scanned, and so remembered; anything else is said on the status line.
    // The demonstration reads no folder at all.
    if (auto problem = environment_.isDemonstration ? std::nullopt : folderProblem(expanded)) {
        setNotice(QString::fromStdString(*problem));
        return;
    }
    scan(expanded);
}

} // namespace tavelin
