#pragma once

// The map: the current folder as a treemap. It draws the model's cached tiles,
// highlights search results, the selection and the hovered tile, shows a label after the
// pointer rests on a tile, opens folders on click with a zoom from the tile, moves the
// selection with the arrow keys and offers the item menu.
//
// The view keeps no state of the tree: it reads the model and calls its operations, and
// redraws when the model signals a change. The tiles are drawn once per layout into a cached
// layer, so hovering repaints only the highlights and never lays the folder out again.

#include "map/HoverLabel.h"
#include "map/MapGeometry.h"
#include "map/TileLabels.h"
#include "model/AppModel.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>
#include <set>
#include <tuple>

namespace tavelin {

class EmptyFolderView;
class InfoPopover;

class TreemapView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLabelDelayMs = 600;

    explicit TreemapView(AppModel& model, QWidget* parent = nullptr);
    ~TreemapView() override;

    QSize sizeHint() const override { return {640, 420}; }

    bool labelShown() const { return labelShown_; }
    // The label as it is drawn now, when one shows.
    std::optional<HoverLabel> hoverLabel() const;
    // The folder change being animated, and the unit rectangle it zooms from (none for a fade).
    bool isTransitioning() const;
    std::optional<QRectF> zoomOrigin() const { return zoom_; }
    // The nodes the context menu acts on: the selection when the hovered node is selected,
    // else that node alone; nothing over the small-items tile or empty space.
    std::vector<Node::Ptr> contextNodes() const;
    EmptyFolderView* emptyFolderView() const { return empty_; }
    InfoPopover* infoPopover() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the cached tile layer was drawn for: folder, tree version, measure, size, pixel ratio.
    using LayerKey = std::tuple<const Node*, int64_t, Measure, int, int, qreal>;

    const std::vector<TreemapTile>& tiles();
    const QImage& tileLayer(const std::vector<TreemapTile>& tiles);
    const std::set<const Node*>& searchHits();
    // The node of the topmost tile under a point; nothing over the other tile or empty space.
    Node::Ptr nodeAt(QPointF point);
    QRectF unitRect(const Rect& rect) const;

    void hover(QPointF at);
    void restartLabelTimer();
    void hideLabel();
    void showLabel();
    void click(QPointF at, Qt::KeyboardModifiers modifiers);
    void moveSelection(MapGeometry::Direction direction);
    bool openSelection();
    void showInfo(const Node::Ptr& node, const QRectF& rect);
    void folderChanged();
    void treeChanged();
    void refreshEmptyView();

    AppModel& model_;
    // The pointer's location since it last moved over the map; moving it alone redraws nothing.
    std::optional<QPointF> latest_;
    QPointF pointer_; // where the shown label is anchored
    bool labelShown_ = false;
    QTimer labelTimer_;
    TileLabels labels_;
    QImage layer_;
    std::optional<LayerKey> layerKey_;
    QImage outgoing_;
    QVariantAnimation transition_;
    std::optional<QRectF> zoom_;
    EmptyFolderView* empty_;
    QPointer<InfoPopover> popover_;
    std::set<const Node*> searchHits_;
    bool searchStale_ = true;
    bool pressed_ = false;
    Node::Ptr pressedNode_; // under the last press; a double click must land on it again
    bool swallowRelease_ = false;
};

} // namespace tavelin
