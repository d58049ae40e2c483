#pragma once

// The state of one main window: which scan is shown, which folder is open, the history of
// folders, the selection, the measure and sort order, the search, the disks, and every panel.
// Views read it and call its operations; results of background work land in it.
//
// Lives on the UI thread. Each concern with state and rules of its own (the folder-access flow,
// the comparison with the previous scan, the disk breakdown, live updates, and later the
// advisor, applying and the agents) is a QObject helper the model owns, in a file of its own,
// made in the model's constructor from the parts of the environment it needs and reached
// through an accessor such as `history()`. A field's change signal comes from the object that
// holds the field: the model for its own fields, the helper for the helper's, so views connect
// to `model.history()` for the changes. The model tells its helpers when a scan starts
// (`resetPerScanState`) and ends (`scanFinished`); helpers never call into the model, and what
// they decide for it comes back as a signal the model acts on (`AccessFlow::released`).
// Every setter given an equal value notifies nobody.

#include "model/AccessFlow.h"
#include "model/AdvisorState.h"
#include "model/AgentsState.h"
#include "model/AppEnvironment.h"
#include "model/ApplyState.h"
#include "model/BreakdownState.h"
#include "model/HistoryComparison.h"
#include "model/KindTotal.h"
#include "model/LiveUpdates.h"
#include "platform/Volumes.h"
#include "report/AgentReport.h"
#include "scan/Measure.h"
#include "scan/Node.h"
#include "scan/ScanSession.h"
#include "scanfile/ImportedScan.h"
#include "treemap/TreemapTile.h"

#include <QIcon>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavelin {

enum class SortKey { name, size, unique, apparent, change, files, modified, location };

// The key the table sorts by when the measure is chosen: the measure's own figure.
SortKey sortKeyOf(Measure measure);

struct SortComparator {
    SortKey key = SortKey::size;
    bool ascending = false;
    bool operator==(const SortComparator&) const = default;
};

enum class InspectorTab { advisor, changes, disk, kinds };

using NodeSet = std::set<Node::Ptr>;

class AppModel : public QObject {
    Q_OBJECT
public:
    // Files smaller than this are folded into their folder rather than shown one by one.
    static constexpr int64_t largeFileThreshold = 1'000'000;

    explicit AppModel(AppEnvironment environment, QObject* parent = nullptr);
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
    const QString& searchText() const { return searchText_; }
    const std::optional<QUrl>& previewURL() const { return previewURL_; }
    const std::optional<QRectF>& zoomFrom() const { return zoomFrom_; }
    bool isExplainingSharing() const { return isExplainingSharing_; }
    const std::vector<std::string>& recents() const { return recents_; }
    bool isScanning() const { return isScanning_; }
    const std::string& userHome() const { return environment_.userHome; }

    // The helpers, one per concern.
    AccessFlow& access() { return *access_; }
    const AccessFlow& access() const { return *access_; }
    HistoryComparison& history() { return *history_; }
    const HistoryComparison& history() const { return *history_; }
    const BreakdownState& breakdown() const { return *breakdown_; }
    AdvisorState& advisor() { return *advisor_; }
    const AdvisorState& advisor() const { return *advisor_; }
    LiveUpdates& liveUpdates() { return *live_; }
    const LiveUpdates& liveUpdates() const { return *live_; }
    AgentsState& agents() { return *agents_; }
    const AgentsState& agents() const { return *agents_; }
    ApplyState& applying() { return *apply_; }
    const ApplyState& applying() const { return *apply_; }

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
    // Whether the rows are search results: the search text holds at least 2 characters
    // besides white space.
    bool showsSearch() const;
    std::vector<Node::Ptr> searchResults() const;
    std::vector<Node::Ptr> nodes(const NodeSet& identities) const;
    // The selected rows in the table's order, wherever they lie (search results too), then
    // selected tiles the rows do not show.
    std::vector<Node::Ptr> selectedNodes() const;
    // The folder a node lies in, relative to the scanned folder; the scanned folder's own name
    // for what lies directly in it.
    QString location(const Node& node) const;
    // The cloud provider whose folder holds the node (or is the node), found when the scan
    // started; nothing outside every provider's folder.
    const CloudProvider* cloudProvider(const Node& node) const;
    // The scan's kinds, in the chosen measure.
    std::vector<KindTotal> kindTotals() const;
    QString subtitle() const;
    QIcon icon(const Node& node);
    std::optional<double> scanFraction() const;
    bool showAccessBanner() const;
    // The protected folders the shown scan met and left out: the skip list also names folders
    // that do not exist here.
    int64_t skippedFolderCount() const;
    int64_t freeSpace() const;
    // Whether the shown scan is of a whole disk rather than a folder.
    bool isWholeDiskScan() const;

    // The laid-out tiles of the current folder for a map of this size, cached until the
    // folder, the tree version, the measure or the size changes.
    const std::vector<TreemapTile>& tiles(double width, double height);
    const TreemapTile* hoveredTile() const;

    // Item commands.
    void previewSelection();
    // Shows a file or folder in the preview window, replacing what it shows; nothing for
    // pseudo nodes.
    void preview(const Node& node);
    void copyPaths(const std::vector<Node::Ptr>& nodes) const;
    void reveal(const std::vector<Node::Ptr>& nodes);
    void revealPaths(const std::vector<std::string>& paths);
    // Selects the item at an absolute path of the shown tree in the map and the table.
    void showPath(const std::string& path);

    // Applying. The confirmation opens when something is ticked, nothing is being applied and
    // no scan runs; confirming applies the ticked steps.
    void askToApply();
    void applyChecked();
    // Puts back what a recent action did.
    void undo(const std::string& recentActionId);
    // Puts back the newest recent action that can be put back (Edit › Undo).
    void undoLast();
    // Asks to confirm moving the nodes to the Trash (refused for pseudo nodes, the root and
    // what is still being scanned); confirming moves them.
    void askToTrash(const std::vector<Node::Ptr>& nodes);
    void confirmTrash();

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
    // Takes its own copy of the path: callers may pass one that the new scan frees, as the
    // shown session's own path.
    void scan(std::string path, std::optional<std::string> name = std::nullopt);
    // Asks for access before scanning `thenScan` (by default the shown scan again, else the
    // home folder).
    void askForAccess(std::optional<std::string> thenScan = std::nullopt,
                      std::optional<std::string> name = std::nullopt);
    // The launch argument: scans its path (a leading "~" is the home folder) the first time
    // it is called, when the path exists.
    void scanLaunchPath(const std::string& path);

    // Scan files.
    // Reads a scan file ("-": standard input) on the worker pool, then shows it as the scan of
    // its folder, read-only; what is wrong with the file shows as the notice. A scan started
    // meanwhile wins.
    void openScanFile(std::string path);
    // Where the shown scan was read from; nothing for a scan made here.
    const std::optional<ScanSource>& importedFrom() const { return importedFrom_; }
    bool isReadingScanFile() const { return static_cast<bool>(reading_); }
    // Writes the export of the shown scan's folder to `file` (gzip when it ends in ".gz") on
    // the worker pool, walking the folder again so that every file is in it; the outcome shows
    // as the notice. Refused for a scan that was not made here, and while one export runs.
    void exportScan(std::string file);
    bool isExporting() const { return exporting_; }
    // Whether the shown scan can be exported: one made here, of a folder on this computer.
    bool canExport() const;

    // The AI agent hand-off.
    // The report of the open folder; nothing when no tree is shown.
    std::optional<AgentReport> makeReport() const;
    // The "agentPrompt" setting when it holds more than white space, else the standard prompt.
    std::string agentPrompt() const;
    // The user picked a target (none: copy the report): shares at once once the user has said
    // not to ask again, otherwise asks to confirm first. Nothing without a tree.
    void ask(std::optional<AgentTarget> target);
    // Hands the report over and shows the outcome as the notice (for a terminal agent once its
    // terminal has been watched for a moment). Nothing without a tree.
    void share(std::optional<AgentTarget> target);
    // Saves the report as a hand-off would and opens it in the default Markdown viewer.
    void showReport();

    // Runs after every change of the shown tree.
    void treeChanged();
    // Sizes are written in other units now: every view writes its figures again.
    void rewriteFigures();

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
    void searchTextChanged();
    void previewURLChanged();
    void zoomFromChanged();
    void isExplainingSharingChanged();
    void recentsChanged();
    void isScanningChanged();
    // Reading a scan file or writing an export started or ended.
    void scanFileChanged();
    // Sizes are shown in other units now; views that write figures once write them again.
    void sizeUnitsChanged();

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
    void setCurrent(Node::Ptr node);
    void start(std::string path, std::optional<std::string> name);
    // The session that measures `path`: a walk, or in the demonstration the generated home.
    std::shared_ptr<ScanSession> makeSession(const std::string& path,
                                             std::optional<std::string> name) const;
    // In a scan read from a file no item may be opened, shown, moved or deleted: its files are
    // elsewhere, or no longer as it says. Says so in one sentence, and answers true.
    bool refusedScanFile();
    // The same, and in the demonstration nothing on the disk may change.
    bool refusedReadOnly();
    // Applying removes and measures nodes of the shown tree, which a new tree would lose: says
    // so while it runs, and answers true.
    bool refusedWhileApplying();
    // Shows the session's tree in place of the last one and starts the session; the sidebar
    // highlights `sidebarPath`.
    void begin(std::shared_ptr<ScanSession> session, std::optional<std::string> sidebarPath);
    void showImported(ImportedScan scan, std::string file);
    void resetPerScanState(const std::shared_ptr<ScanSession>& session);
    void remember(const std::string& path);
    void scanFinished(const Node::Ptr& root);
    void introduceSharing(const Node& root);
    void setIsScanning(bool scanning);
    void scheduleTreeChange();
    // The disk whose scan path is `path`; nothing while a scan read from a file is shown, whose
    // paths name another computer's folders.
    const platform::Volume* volumeScanning(const std::string& path) const;
    // The disk a goal is measured on: the scanned one, else the boot disk.
    std::optional<platform::Volume> diskFor(const std::string& path) const;
    bool sorts(const Node& a, const Node& b) const;
    std::vector<Node::Ptr> sorted(std::vector<Node::Ptr> list) const;
    bool isSandboxed() const { return static_cast<bool>(environment_.askFolderAccess); }
    // The open folder's name for sentences about the report; empty without a tree.
    std::string scopeName() const;

    AppEnvironment environment_;
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
    QString searchText_;
    std::optional<QUrl> previewURL_;
    std::optional<QRectF> zoomFrom_;
    bool isExplainingSharing_ = false;
    std::vector<std::string> recents_;
    std::vector<CloudProvider> cloudProviders_;
    std::optional<TileCache> tileCache_;
    std::map<QString, QIcon> iconCache_;
    AccessFlow* access_;
    HistoryComparison* history_;
    BreakdownState* breakdown_;
    AdvisorState* advisor_;
    LiveUpdates* live_;
    AgentsState* agents_;
    ApplyState* apply_;
    bool isScanning_ = false;
    bool launchPathScanned_ = false;
    std::optional<ScanSource> importedFrom_;
    std::string importedPath_; // the scan file, to read again on Rescan
    // The scan file being read, counted so a read that a later scan overtook is dropped.
    uint64_t reading_ = 0;
    uint64_t readsStarted_ = 0;
    bool exporting_ = false;
    // Tells a running export that the window is gone.
    std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
    QTimer treeChangeTimer_;
    std::chrono::steady_clock::time_point lastTreeChange_{};
};

} // namespace tavelin
