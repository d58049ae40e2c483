#pragma once

// The state of one main window: which scan is shown, which folder is open, the history of
// folders, the selection, the measure and sort order, the search, the disks, and every panel.
// Views read it and call its operations; results of background work land in it.
//
// Lives on the UI thread. Every stored field notifies through its own signal when it changes;
// a setter given an equal value notifies nobody.

#include "BreakdownState.h"
#include "KindTotal.h"
#include "LiveUpdates.h"
#include "history/Change.h"
#include "history/ScanRecord.h"
#include "platform/Volumes.h"
#include "scan/Measure.h"
#include "scan/Node.h"
#include "scan/ScanSession.h"
#include "treemap/TreemapTile.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QIcon>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavelin {

enum class SortKey { name, size, unique, change, files, modified };

struct SortComparator {
    SortKey key = SortKey::size;
    bool ascending = false;
    bool operator==(const SortComparator&) const = default;
};

enum class InspectorTab { advisor, changes, disk, kinds };

struct PendingScan {
    std::string path;
    std::optional<std::string> name;
    bool operator==(const PendingScan&) const = default;
};

using NodeSet = std::set<Node::Ptr>;

class AppModel : public QObject {
    Q_OBJECT
public:
    // The services the model uses that differ between the running program and tests.
    struct Environment {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        int workerCount = 2;
        std::function<bool()> accessProbe;
        std::function<std::vector<platform::Volume>()> readVolumes;
        // Set only when the process runs sandboxed: asks access to a folder, answers granted.
        std::function<bool(const std::string&)> askFolderAccess;
        std::function<void(const std::string&)> openFile;
        std::function<void(const std::vector<std::string>&)> reveal;
        std::string historyDirectory;
        std::string userHome;
        BreakdownState::Services disk;
        bool isDemonstration = false;
        // Called when a scan finishes: notifications ask their permission once, at that moment
        // rather than at launch. May be empty.
        std::function<void()> askNotificationPermission;

        // The program's own: the Qt event loop, the real disks, the XDG data folder.
        static Environment live();
    };

    explicit AppModel(Environment environment, QObject* parent = nullptr);
    ~AppModel() override;

    // Stored fields.
    const std::shared_ptr<ScanSession>& session() const { return session_; }
    const Node::Ptr& current() const { return current_; }
    int64_t version() const { return version_; }
    const std::vector<Node::Ptr>& backStack() const { return backStack_; }
    const std::vector<Node::Ptr>& forwardStack() const { return forwardStack_; }
    const NodeSet& selection() const { return selection_; }
    std::optional<int> hoverIndex() const { return hoverIndex_; }
    const Node::Ptr& infoItem() const { return infoItem_; }
    const std::vector<SortComparator>& sortOrder() const { return sortOrder_; }
    Measure measure() const { return measure_; }
    const std::optional<std::string>& sidebarSelection() const { return sidebarSelection_; }
    const std::optional<QString>& notice() const { return notice_; }
    bool accessBannerDismissed() const { return accessBannerDismissed_; }
    const std::vector<platform::Volume>& volumes() const { return volumes_; }
    bool inspectorShown() const { return inspectorShown_; }
    InspectorTab inspectorTab() const { return inspectorTab_; }
    const std::optional<ScanRecord>& previousRecord() const { return previousRecord_; }
    const std::vector<Change>& changes() const { return changes_; }
    // Whether `changes` compares the shown scan with the previous record: only once a scan
    // that has one finishes, never for a stopped scan.
    bool changesCompared() const { return changesCompared_; }
    const QString& searchText() const { return searchText_; }
    const std::optional<QUrl>& previewURL() const { return previewURL_; }
    const std::optional<QRectF>& zoomFrom() const { return zoomFrom_; }
    bool isExplainingSharing() const { return isExplainingSharing_; }
    const std::vector<std::string>& recents() const { return recents_; }
    bool hasFullDiskAccess() const { return hasFullDiskAccess_; }
    bool isAskingForAccess() const { return isAskingForAccess_; }
    const std::optional<PendingScan>& pendingScan() const { return pendingScan_; }
    bool isScanning() const { return isScanning_; }
    const std::string& userHome() const { return environment_.userHome; }
    const std::optional<DiskBreakdown>& breakdown() const { return breakdown_->breakdown(); }
    bool breakdownLoading() const { return breakdown_->isLoading(); }
    const std::optional<QString>& snapshotNotice() const { return breakdown_->snapshotNotice(); }
    // The breakdown with its device and deletion state; its `changed` signal covers the three
    // fields above.
    const BreakdownState& breakdownState() const { return *breakdown_; }
    // The folder watcher and the "liveUpdates" setting.
    LiveUpdates& liveUpdates() { return *live_; }
    const LiveUpdates& liveUpdates() const { return *live_; }

    void setMeasure(Measure measure);
    void setSortOrder(std::vector<SortComparator> order);
    void setSelection(NodeSet selection);
    void setHoverIndex(std::optional<int> index);
    void setInfoItem(Node::Ptr node);
    void setSearchText(const QString& text);
    void setSidebarSelection(std::optional<std::string> path);
    void setInspectorShown(bool shown);
    void setInspectorTab(InspectorTab tab);
    void setNotice(std::optional<QString> notice);
    void setAccessBannerDismissed(bool dismissed);
    void setZoomFrom(std::optional<QRectF> rect);
    void setPreviewURL(std::optional<QUrl> url);
    void setVolumes(std::vector<platform::Volume> volumes);
    void setExplainingSharing(bool explaining);

    // Navigation and selection.
    void open(const Node::Ptr& node, std::optional<QRectF> zoom = std::nullopt);
    void back();
    void forward();
    void up();
    void activate(const Node::Ptr& node);
    void show(const Node::Ptr& node);
    void show(const std::string& relativePath);
    bool exists(const std::string& relativePath) const;

    // Derived values, computed on each read.
    std::vector<Node::Ptr> rows() const;
    std::vector<Node::Ptr> searchResults() const;
    std::vector<Node::Ptr> nodes(const NodeSet& identities) const;
    std::vector<Node::Ptr> selectedNodes() const;
    std::vector<KindTotal> kindTotals() const;
    QString subtitle() const;
    QIcon icon(const Node& node);
    std::optional<double> scanFraction() const;
    bool showAccessBanner() const;
    int64_t freeSpace() const;
    // Whether the shown scan is of a whole disk rather than a folder.
    bool isWholeDiskScan() const;
    // How much a node grew since the previous scan of this location (the change column).
    std::optional<int64_t> growth(const Node& node) const;

    // The laid-out tiles of the current folder for a map of this size, cached until the
    // folder, the tree version, the measure or the size changes.
    const std::vector<TreemapTile>& tiles(double width, double height);
    const TreemapTile* hoveredTile() const;

    // Item commands.
    void previewSelection();
    void copyPaths(const std::vector<Node::Ptr>& nodes) const;
    void reveal(const std::vector<Node::Ptr>& nodes) const;

    // Deletes the shown disk's local snapshots, then reloads its breakdown.
    void deleteLocalSnapshots();

    // Scan driving.
    // Measures a folder again: the given one, else the open one, in place; the root by a new
    // scan of the same location.
    void rescan(const Node::Ptr& node = nullptr);
    // Cancels the running scan; what was measured so far stays shown.
    void stopScanning();
    // A folder of the shown tree whose data is partly shared with copies, the one sharing the
    // most, to explain shared space with; nullptr when no folder shares anything.
    Node::Ptr sharingExample() const;
    void scan(const std::string& path, std::optional<std::string> name = std::nullopt);
    void chooseFolder(QWidget* parent);
    void askForAccess(std::optional<std::string> thenScan = std::nullopt,
                      std::optional<std::string> name = std::nullopt);
    void recheckAccess();
    void scanWithoutAccess();
    void cancelAccessRequest();
    // The launch argument: scans its path (a leading "~" is the home folder) the first time
    // it is called, when the path exists.
    void scanLaunchPath(const std::string& path);

    // Runs after every change of the shown tree.
    void treeChanged();

    // Whether a finished scan shares enough space between copies to explain it: a twentieth of
    // a tree above 20 GB, otherwise 1 GB.
    static bool sharingWorthExplaining(int64_t size, int64_t unique);

Q_SIGNALS:
    void sessionChanged();
    void currentChanged();
    void versionChanged();
    void stacksChanged();
    void selectionChanged();
    void hoverIndexChanged();
    void infoItemChanged();
    void sortOrderChanged();
    void measureChanged();
    void sidebarSelectionChanged();
    void noticeChanged();
    void accessBannerDismissedChanged();
    void volumesChanged();
    void inspectorShownChanged();
    void inspectorTabChanged();
    void changesChanged();
    void searchTextChanged();
    void previewURLChanged();
    void zoomFromChanged();
    void isExplainingSharingChanged();
    void recentsChanged();
    void accessChanged();
    void isScanningChanged();

private:
    struct TileCache {
        std::string key;
        std::vector<TreemapTile> tiles;
    };

    void goTo(const Node::Ptr& node);
    // After a folder was walked again in place: the open folder, left out of the tree with
    // everything beneath the walked one, becomes its new node or the nearest folder still there.
    void followWalkedFolders();
    // Back and forward: leave for the last folder of `from`, keeping the current one in `to`.
    void step(std::vector<Node::Ptr>& from, std::vector<Node::Ptr>& to);
    // The node at a path relative to the scanned root ("" for the root), or nullptr.
    Node* nodeAt(const std::string& relativePath) const;
    void startPendingScan();
    void setCurrent(Node::Ptr node);
    void start(const std::string& path, std::optional<std::string> name);
    void resetPerScanState(const std::string& path);
    void remember(const std::string& path);
    void scanFinished(const Node::Ptr& root);
    void introduceSharing(const Node& root);
    void recordScan(const Node& root);
    void setIsScanning(bool scanning);
    void scheduleTreeChange();
    void setAskingForAccess(bool asking);
    void pollAccess();
    const platform::Volume* volumeScanning(const std::string& path) const;
    bool sorts(const Node& a, const Node& b) const;
    std::vector<Node::Ptr> sorted(std::vector<Node::Ptr> list) const;
    bool isSandboxed() const { return static_cast<bool>(environment_.askFolderAccess); }

    Environment environment_;
    BreakdownState* breakdown_;
    LiveUpdates* live_;
    std::shared_ptr<ScanSession> session_;
    Node::Ptr current_;
    std::string currentPath_;
    int64_t version_ = 0;
    std::vector<Node::Ptr> backStack_;
    std::vector<Node::Ptr> forwardStack_;
    NodeSet selection_;
    std::optional<int> hoverIndex_;
    Node::Ptr infoItem_;
    std::vector<SortComparator> sortOrder_{SortComparator{}};
    Measure measure_ = Measure::allocated;
    std::optional<std::string> sidebarSelection_;
    std::optional<QString> notice_;
    bool accessBannerDismissed_ = false;
    std::vector<platform::Volume> volumes_;
    bool inspectorShown_ = true;
    InspectorTab inspectorTab_ = InspectorTab::advisor;
    std::chrono::steady_clock::time_point volumesRead_{};
    std::optional<ScanRecord> previousRecord_;
    std::vector<Change> changes_;
    bool changesCompared_ = false;
    QString searchText_;
    std::optional<QUrl> previewURL_;
    std::optional<QRectF> zoomFrom_;
    bool isExplainingSharing_ = false;
    std::vector<std::string> recents_;
    std::optional<TileCache> tileCache_;
    std::map<QString, QIcon> iconCache_;
    bool hasFullDiskAccess_ = false;
    bool isAskingForAccess_ = false;
    std::optional<PendingScan> pendingScan_;
    QTimer accessPoll_;
    bool isScanning_ = false;
    bool launchPathScanned_ = false;
    QTimer treeChangeTimer_;
    std::chrono::steady_clock::time_point lastTreeChange_{};
};

} // namespace tavelin
