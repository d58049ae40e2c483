#include "model/AppModel.h"

#include "demo/DemoHome.h"
#include "history/ScanRecord.h"
#include "model/KindCatalog.h"
#include "scan/ScanProgress.h"
#include "treemap/Treemap.h"
#include "util/Paths.h"
#include "widgets/FileIcons.h"
#include "widgets/SettingsKeys.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <algorithm>
#include <unordered_map>

namespace tavelin {
namespace {

// The demonstration keeps no records; it compares with its home as it stood a month before.
auto demonstrationHistory(const AppEnvironment& environment)
    -> decltype(HistoryComparison::Context::previous) {
    if (!environment.isDemonstration)
        return {};
    return [](const std::string&, Date before) {
        return std::optional(DemoHome::earlierScan(before, AppModel::largeFileThreshold));
    };
}

template <typename T, typename Signal>
bool assign(AppModel* model, T& field, T value, Signal signal) {
    if (field == value)
        return false;
    field = std::move(value);
    Q_EMIT(model->*signal)();
    return true;
}

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8);
}

InspectorTab inspectorTabFromSetting(const QString& raw) {
    if (raw == QLatin1String("changes"))
        return InspectorTab::changes;
    if (raw == QLatin1String("disk"))
        return InspectorTab::disk;
    if (raw == QLatin1String("kinds"))
        return InspectorTab::kinds;
    return InspectorTab::advisor;
}

// Only what exists on disk can be previewed: files and folders, not the pseudo nodes.
bool previewable(const Node& node) {
    return node.kind() == Node::Kind::file || node.isDirectory();
}

QString settingOf(InspectorTab tab) {
    switch (tab) {
    case InspectorTab::changes:
        return QStringLiteral("changes");
    case InspectorTab::disk:
        return QStringLiteral("disk");
    case InspectorTab::kinds:
        return QStringLiteral("kinds");
    case InspectorTab::advisor:
        break;
    }
    return QStringLiteral("advisor");
}

} // namespace

AppModel::AppModel(AppEnvironment environment, QObject* parent)
    : QObject(parent)
    , environment_(std::move(environment))
    , access_(new AccessFlow(
          [probe = environment_.accessProbe, demonstration = environment_.isDemonstration] {
              return demonstration || probe();
          },
          this))
    , history_(new HistoryComparison({.queue = environment_.queue,
                                      .pool = environment_.pool,
                                      .directory = environment_.historyDirectory,
                                      .previous = demonstrationHistory(environment_)},
                                     this))
    , breakdown_(new BreakdownState(environment_.disk, environment_.queue, environment_.pool, this))
    , advisor_(
          new AdvisorState({.queue = environment_.queue,
                            .pool = environment_.pool,
                            .home = environment_.userHome,
                            .isDemonstration = environment_.isDemonstration,
                            .diskFor = [this](const std::string& path) { return diskFor(path); }},
                           this))
    , live_(new LiveUpdates({environment_.queue, environment_.historyDirectory}, this))
    , agents_(new AgentsState({.queue = environment_.queue,
                               .pool = environment_.pool,
                               .detect = environment_.detectAgents,
                               .launcher = environment_.agentLauncher,
                               .sandboxed = isSandboxed()},
                              this))
    , apply_(
          new ApplyState(ApplyState::Services::live(
                             environment_.queue, environment_.pool, [this] { return freeSpace(); },
                             isSandboxed(), environment_.undoDirectory),
                         *advisor_, this)) {
    QSettings settings;
    measure_ = measureFromRawValue(settings.value(SettingsKeys::measure).toString().toStdString())
                   .value_or(Measure::allocated);
    inspectorShown_ = settings.value(SettingsKeys::inspectorShown, true).toBool();
    inspectorTab_ = inspectorTabFromSetting(settings.value(SettingsKeys::inspectorTab).toString());
    for (const QString& path : settings.value(SettingsKeys::recents).toStringList())
        if (QFileInfo::exists(path))
            recents_.push_back(path.toStdString());
    volumes_ = environment_.readVolumes();
    connect(access_, &AccessFlow::released, this,
            [this](const PendingScan& scan) { start(scan.path, scan.name); });
    treeChangeTimer_.setSingleShot(true);
    connect(&treeChangeTimer_, &QTimer::timeout, this, &AppModel::treeChanged);
    connect(live_, &LiveUpdates::notice, this, [this](const QString& text) { setNotice(text); });
    // What live updates measured again may change what could go.
    connect(live_, &LiveUpdates::refreshed, advisor_, &AdvisorState::scheduleRefresh);
    if (environment_.detectAgents)
        agents_->loadAgents();
    connect(apply_, &ApplyState::reported, this, [this](const QString& report) {
        // The report shows in the Advisor tab; elsewhere the status line carries it.
        if (!inspectorShown_ || inspectorTab_ != InspectorTab::advisor)
            setNotice(report);
    });
    connect(apply_, &ApplyState::notice, this, [this](const QString& text) { setNotice(text); });
    connect(apply_, &ApplyState::trashed, this, [this](const std::vector<Node::Ptr>& moved) {
        NodeSet kept = selection_;
        for (const Node::Ptr& node : moved)
            kept.erase(node);
        // A node that live updates replaced meanwhile is no longer in the tree either.
        std::erase_if(kept, [](const Node::Ptr& node) { return !node->isAttached(); });
        setSelection(std::move(kept));
        setVolumes(environment_.readVolumes());
        treeChanged();
    });
    connect(apply_, &ApplyState::treeChanged, this, &AppModel::treeChanged);
}

AppModel::~AppModel() {
    closing_->store(true);
    if (session_)
        session_->cancel();
}

SortKey sortKeyOf(Measure measure) {
    switch (measure) {
    case Measure::unique:
        return SortKey::unique;
    case Measure::apparent:
        return SortKey::apparent;
    case Measure::allocated:
        break;
    }
    return SortKey::size;
}

void AppModel::setMeasure(Measure measure) {
    if (!assign(this, measure_, measure, &AppModel::measureChanged))
        return;
    QSettings().setValue(SettingsKeys::measure, text(std::string(rawValue(measure))));
    setSortOrder({SortComparator{sortKeyOf(measure), false}});
}

void AppModel::setSortOrder(std::vector<SortComparator> order) {
    assign(this, sortOrder_, std::move(order), &AppModel::sortOrderChanged);
}

void AppModel::setSelection(NodeSet selection) {
    assign(this, selection_, std::move(selection), &AppModel::selectionChanged);
}

void AppModel::setHoverIndex(std::optional<int> index) {
    assign(this, hoverIndex_, index, &AppModel::hoverIndexChanged);
}

void AppModel::setInfoItem(Node::Ptr node) {
    assign(this, infoItem_, std::move(node), &AppModel::infoItemChanged);
}

void AppModel::setSearchText(const QString& text) {
    assign(this, searchText_, text, &AppModel::searchTextChanged);
}

void AppModel::setSidebarSelection(std::optional<std::string> path) {
    assign(this, sidebarSelection_, std::move(path), &AppModel::sidebarSelectionChanged);
}

void AppModel::setInspectorShown(bool shown) {
    if (assign(this, inspectorShown_, shown, &AppModel::inspectorShownChanged))
        QSettings().setValue(SettingsKeys::inspectorShown, shown);
}

void AppModel::setInspectorTab(InspectorTab tab) {
    if (assign(this, inspectorTab_, tab, &AppModel::inspectorTabChanged))
        QSettings().setValue(SettingsKeys::inspectorTab, settingOf(tab));
}

void AppModel::setNotice(std::optional<QString> notice) {
    assign(this, notice_, std::move(notice), &AppModel::noticeChanged);
}

void AppModel::setAccessBannerDismissed(bool dismissed) {
    assign(this, accessBannerDismissed_, dismissed, &AppModel::accessBannerDismissedChanged);
}

void AppModel::setZoomFrom(std::optional<QRectF> rect) {
    assign(this, zoomFrom_, rect, &AppModel::zoomFromChanged);
}

void AppModel::setPreviewURL(std::optional<QUrl> url) {
    assign(this, previewURL_, std::move(url), &AppModel::previewURLChanged);
}

void AppModel::setVolumes(std::vector<platform::Volume> volumes) {
    assign(this, volumes_, std::move(volumes), &AppModel::volumesChanged);
}

void AppModel::setExplainingSharing(bool explaining) {
    assign(this, isExplainingSharing_, explaining, &AppModel::isExplainingSharingChanged);
}

void AppModel::setIsScanning(bool scanning) {
    assign(this, isScanning_, scanning, &AppModel::isScanningChanged);
}

void AppModel::setCurrent(Node::Ptr node) {
    currentPath_ = node ? node->path() : std::string();
    assign(this, current_, std::move(node), &AppModel::currentChanged);
}

// Navigation.

void AppModel::open(const Node::Ptr& node, std::optional<QRectF> zoom) {
    if (!node || !node->isDirectory() || node == current_)
        return;
    setZoomFrom(zoom);
    if (current_)
        backStack_.push_back(current_);
    forwardStack_.clear();
    goTo(node);
}

void AppModel::goTo(const Node::Ptr& node) {
    setCurrent(node);
    Q_EMIT stacksChanged();
    setSelection({});
    setInfoItem(nullptr);
    setHoverIndex(std::nullopt);
}

void AppModel::back() {
    step(backStack_, forwardStack_);
}

void AppModel::forward() {
    step(forwardStack_, backStack_);
}

void AppModel::step(std::vector<Node::Ptr>& from, std::vector<Node::Ptr>& to) {
    if (from.empty())
        return;
    Node::Ptr target = from.back();
    from.pop_back();
    setZoomFrom(std::nullopt);
    if (current_)
        to.push_back(current_);
    goTo(target);
}

void AppModel::followWalkedFolders() {
    if (!session_ || !current_ || current_->isAttached())
        return;
    Node* nearest = session_->nearestNode(currentPath_);
    setCurrent(nearest ? nearest->shared_from_this() : session_->root());
    auto detached = [](const Node::Ptr& node) { return !node->isAttached(); };
    std::erase_if(backStack_, detached);
    std::erase_if(forwardStack_, detached);
    Q_EMIT stacksChanged();
    setSelection({});
    setHoverIndex(std::nullopt);
}

void AppModel::up() {
    if (!current_ || !current_->parent())
        return;
    Node::Ptr left = current_;
    open(current_->parent()->shared_from_this());
    setSelection({left});
}

void AppModel::activate(const Node::Ptr& node) {
    if (!node)
        return;
    if (node->isDirectory())
        open(node);
    else if (node->kind() == Node::Kind::file && !refusedScanFile())
        environment_.openFile(node->path());
}

void AppModel::show(const Node::Ptr& node) {
    if (!node || !node->isAttached())
        return;
    Node* parent = node->parent();
    if (node->isDirectory() && !parent) {
        open(node);
        return;
    }
    if (parent && parent != current_.get())
        open(parent->shared_from_this());
    setSelection({node});
}

Node* AppModel::nodeAt(const std::string& relativePath) const {
    if (!session_)
        return nullptr;
    const Node::Ptr& root = session_->root();
    return root->descendant(relativePath.empty() ? root->path()
                                                 : joinPath(root->path(), relativePath));
}

void AppModel::show(const std::string& relativePath) {
    if (Node* found = nodeAt(relativePath))
        show(found->shared_from_this());
}

bool AppModel::exists(const std::string& relativePath) const {
    return nodeAt(relativePath) != nullptr;
}

// Derived values.

bool AppModel::sorts(const Node& a, const Node& b) const {
    for (const SortComparator& comparator : sortOrder_) {
        int order = 0;
        auto compare = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
        switch (comparator.key) {
        case SortKey::name:
            // Rows that stand for many files or none keep to the end, in either direction.
            if (a.isPseudo() != b.isPseudo())
                return b.isPseudo();
            order = QString::localeAwareCompare(text(a.name), text(b.name));
            break;
        case SortKey::location:
            order = QString::localeAwareCompare(location(a), location(b));
            break;
        case SortKey::size:
            order = compare(a.size, b.size);
            break;
        case SortKey::unique:
            order = compare(a.unique, b.unique);
            break;
        case SortKey::apparent:
            order = compare(a.apparent, b.apparent);
            break;
        case SortKey::change:
            order = compare(history_->growth(a), history_->growth(b));
            break;
        case SortKey::files:
            order = compare(a.fileCount, b.fileCount);
            break;
        case SortKey::modified:
            order = compare(a.modified, b.modified);
            break;
        }
        if (order != 0)
            return comparator.ascending ? order < 0 : order > 0;
    }
    return false;
}

std::vector<Node::Ptr> AppModel::sorted(std::vector<Node::Ptr> list) const {
    std::stable_sort(list.begin(), list.end(),
                     [this](const Node::Ptr& a, const Node::Ptr& b) { return sorts(*a, *b); });
    return list;
}

bool AppModel::showsSearch() const {
    return searchText_.trimmed().size() >= 2;
}

std::vector<Node::Ptr> AppModel::rows() const {
    if (showsSearch())
        return sorted(searchResults());
    if (!current_)
        return {};
    return sorted(current_->items());
}

std::vector<Node::Ptr> AppModel::searchResults() const {
    if (!showsSearch() || !current_)
        return {};
    QString wanted = searchText_.trimmed();
    std::vector<Node::Ptr> found;
    std::vector<const Node*> stack{current_.get()};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        for (const auto& child : node->children()) {
            if (text(child->name).contains(wanted, Qt::CaseInsensitive))
                found.push_back(child);
            if (child->isDirectory())
                stack.push_back(child.get());
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Node::Ptr& a, const Node::Ptr& b) { return a->size > b->size; });
    if (found.size() > 400)
        found.resize(400);
    return found;
}

std::vector<Node::Ptr> AppModel::nodes(const NodeSet& identities) const {
    std::vector<Node::Ptr> result;
    NodeSet seen;
    auto take = [&](const Node::Ptr& node) {
        if (identities.contains(node) && seen.insert(node).second)
            result.push_back(node);
    };
    if (current_)
        for (const auto& item : current_->items())
            take(item);
    if (tileCache_)
        for (const auto& tile : tileCache_->tiles)
            if (const auto* node = std::get_if<Node::Ptr>(&tile.content))
                take(*node);
    return result;
}

std::vector<Node::Ptr> AppModel::selectedNodes() const {
    if (selection_.empty() || !current_)
        return {};
    std::vector<Node::Ptr> result;
    for (const auto& row : rows())
        if (selection_.contains(row))
            result.push_back(row);
    if (result.size() >= selection_.size() || !tileCache_)
        return result;
    NodeSet listed(result.begin(), result.end());
    for (const Node::Ptr& node : nodes(selection_))
        if (!listed.contains(node))
            result.push_back(node);
    return result;
}

const CloudProvider* AppModel::cloudProvider(const Node& node) const {
    if (cloudProviders_.empty() || node.isPseudo())
        return nullptr;
    std::string path = node.path();
    for (const CloudProvider& provider : cloudProviders_)
        if (path == provider.root || isBelow(path, provider.root))
            return &provider;
    return nullptr;
}

QString AppModel::location(const Node& node) const {
    const Node* folder = node.parent();
    if (!folder || !session_)
        return {};
    if (folder == session_->root().get())
        return text(folder->name);
    return text(ScanRecord::relativePath(*folder, *session_->root()));
}

std::vector<KindTotal> AppModel::kindTotals() const {
    if (!session_)
        return {};
    return KindCatalog::totals(session_->kinds(), measure_);
}

QString AppModel::subtitle() const {
    if (!current_)
        return {};
    const Node& node = *current_;
    if (node.isScanning) {
        QString line = QStringLiteral("Scanning… ") + bytesText(node.size);
        if (node.expectedSize)
            return line + QStringLiteral(" of ") + bytesText(*node.expectedSize) +
                   QStringLiteral(" used");
        return line + QStringLiteral(" so far");
    }
    if (measure_ == Measure::apparent)
        return bytesText(node.apparent) + QStringLiteral(" apparent size · ") +
               bytesText(node.size) + QStringLiteral(" on disk · ") +
               countedText(node.fileCount, "file");
    QString line =
        bytesText(node.size) + QStringLiteral(" · ") + countedText(node.fileCount, "file");
    int64_t shared = node.size - node.unique;
    if (shared > node.size / 50) {
        if (node.expectedSize)
            line += QStringLiteral(" · ") + bytesText(shared) + QStringLiteral(" shared by copies");
        else
            line += QStringLiteral(" · deleting it frees ") + bytesText(node.unique);
    }
    // The reserve is no one's files, so the map leaves it out and says so here.
    const platform::Volume* disk = node.isRoot() ? volumeScanning(session_->path()) : nullptr;
    if (disk && disk->reserved > 0)
        line += QStringLiteral(" · ") + bytesText(disk->reserved) +
                QStringLiteral(" reserved for the system, not in the map");
    return line;
}

QIcon AppModel::icon(const Node& node) {
    QString key;
    switch (node.kind()) {
    case Node::Kind::smallFiles:
        key = QStringLiteral("#small");
        break;
    case Node::Kind::remainder:
        key = QStringLiteral("#rest");
        break;
    case Node::Kind::file:
        key = QStringLiteral(".") + QFileInfo(text(node.name)).suffix().toLower();
        break;
    case Node::Kind::directory:
        key = text(node.path());
        break;
    }
    auto found = iconCache_.find(key);
    if (found != iconCache_.end())
        return found->second;
    // Folder icons are looked up once per path for the whole process.
    static std::unordered_map<QString, QIcon> folderIcons;
    QIcon icon;
    switch (node.kind()) {
    case Node::Kind::smallFiles:
        icon = symbolIcon("doc.on.doc");
        break;
    case Node::Kind::remainder:
        icon = symbolIcon("internaldrive");
        break;
    case Node::Kind::file:
        icon = fileIcon(QFileInfo(QStringLiteral("x") + key));
        break;
    case Node::Kind::directory: {
        auto& cached = folderIcons[key];
        if (cached.isNull())
            cached = fileIcon(QFileInfo(key));
        icon = cached;
        break;
    }
    }
    iconCache_.emplace(key, icon);
    return icon;
}

std::optional<double> AppModel::scanFraction() const {
    if (!session_ || !session_->isRunning())
        return std::nullopt;
    std::optional<int64_t> lastScan;
    if (const ScanRecord* previous = history_->previousRecord())
        lastScan = previous->size;
    return ScanProgress::fraction(session_->bytes(), lastScan, session_->root()->expectedSize);
}

int64_t AppModel::skippedFolderCount() const {
    if (!session_)
        return 0;
    return std::ranges::count_if(session_->skipped(), [this](const std::string& path) {
        const Node* node = session_->root()->descendant(path);
        return node && node->needsAccess;
    });
}

bool AppModel::showAccessBanner() const {
    return session_ && (session_->errors() > 0 || skippedFolderCount() > 0) &&
           !access_->hasFullDiskAccess() && !accessBannerDismissed_;
}

int64_t AppModel::freeSpace() const {
    return platform::availableBytes(session_ ? session_->path() : std::string("/")).value_or(0);
}

bool AppModel::isWholeDiskScan() const {
    // Only a scan of one of the disks gives its root the disk's used space to expect.
    return session_ && session_->root()->expectedSize.has_value();
}

const std::vector<TreemapTile>& AppModel::tiles(double width, double height) {
    static const std::vector<TreemapTile> none;
    if (!current_ || width <= 0 || height <= 0)
        return none;
    std::string key = std::to_string(reinterpret_cast<uintptr_t>(current_.get())) + "|" +
                      std::to_string(version_) + "|" + std::string(rawValue(measure_)) + "|" +
                      std::to_string(static_cast<int>(width)) + "x" +
                      std::to_string(static_cast<int>(height));
    if (!tileCache_ || tileCache_->key != key)
        tileCache_ =
            TileCache{key, Treemap::layout(*current_, Rect{0, 0, width, height}, measure_, 3, 30)};
    return tileCache_->tiles;
}

const TreemapTile* AppModel::hoveredTile() const {
    if (!hoverIndex_ || !tileCache_ || *hoverIndex_ < 0 ||
        *hoverIndex_ >= static_cast<int>(tileCache_->tiles.size()))
        return nullptr;
    return &tileCache_->tiles[static_cast<size_t>(*hoverIndex_)];
}

// Item commands.

void AppModel::previewSelection() {
    auto selected = selectedNodes();
    if (selected.empty() || !previewable(*selected.front()) || refusedScanFile())
        return;
    if (previewURL_)
        setPreviewURL(std::nullopt);
    else
        preview(*selected.front());
}

void AppModel::preview(const Node& node) {
    if (previewable(node) && !refusedScanFile())
        setPreviewURL(QUrl::fromLocalFile(text(node.path())));
}

void AppModel::copyPaths(const std::vector<Node::Ptr>& nodes) const {
    QStringList paths;
    for (const auto& node : nodes)
        paths << text(node->path());
    QGuiApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}

void AppModel::reveal(const std::vector<Node::Ptr>& nodes) {
    std::vector<std::string> paths;
    for (const auto& node : nodes)
        paths.push_back(node->path());
    revealPaths(paths);
}

void AppModel::revealPaths(const std::vector<std::string>& paths) {
    if (!paths.empty() && !refusedScanFile())
        environment_.reveal(paths);
}

void AppModel::showPath(const std::string& path) {
    if (!session_)
        return;
    if (Node* found = session_->root()->descendant(path))
        show(found->shared_from_this());
}

// Applying.

bool AppModel::refusedScanFile() {
    if (!importedFrom_)
        return false;
    setNotice(QStringLiteral("This scan was read from ") +
              tavelin::quoted(importedFrom_->fileName) +
              QStringLiteral(", so nothing in it can be opened, moved or deleted here."));
    return true;
}

bool AppModel::refusedReadOnly() {
    if (refusedScanFile())
        return true;
    if (!environment_.isDemonstration)
        return false;
    setNotice(QStringLiteral("This is a demonstration: nothing is moved or deleted."));
    return true;
}

void AppModel::askToApply() {
    if (!isScanning_ && !refusedReadOnly())
        apply_->askToApply();
}

void AppModel::applyChecked() {
    if (!isScanning_ && !refusedReadOnly())
        apply_->apply(advisor_->checkedCandidates());
}

void AppModel::undo(const std::string& recentActionId) {
    if (!refusedReadOnly())
        apply_->undo(recentActionId);
}

void AppModel::undoLast() {
    if (!refusedReadOnly())
        apply_->undoLast();
}

void AppModel::askToTrash(const std::vector<Node::Ptr>& nodes) {
    if (!refusedReadOnly())
        apply_->askToTrash(nodes);
}

void AppModel::confirmTrash() {
    if (!refusedReadOnly())
        apply_->confirmTrash();
}

void AppModel::rewriteFigures() {
    ++version_;
    Q_EMIT versionChanged();
    Q_EMIT volumesChanged();
    Q_EMIT sizeUnitsChanged();
}

void AppModel::treeChanged() {
    lastTreeChange_ = std::chrono::steady_clock::now();
    ++version_;
    Q_EMIT versionChanged();
    setIsScanning(session_ && session_->isRunning());
    if (isScanning_)
        advisor_->duringScan();
    followWalkedFolders();
    auto now = std::chrono::steady_clock::now();
    if (!isScanning_ && now - volumesRead_ > std::chrono::seconds(10)) {
        volumesRead_ = now;
        setVolumes(environment_.readVolumes());
    }
}

} // namespace tavelin
