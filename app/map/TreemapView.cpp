#include "map/TreemapView.h"

#include "items/InfoPopover.h"
#include "items/ItemMenu.h"
#include "map/EmptyFolderView.h"
#include "map/TreemapHighlights.h"
#include "map/TreemapRenderer.h"
#include "map/ZoomFromRect.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace tavelin {
namespace {

const Node::Ptr* nodeOf(const TreemapTile& tile) {
    return std::get_if<Node::Ptr>(&tile.content);
}

} // namespace

TreemapView::TreemapView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , empty_(new EmptyFolderView(this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    empty_->hide();

    labelTimer_.setSingleShot(true);
    labelTimer_.setInterval(kLabelDelayMs);
    connect(&labelTimer_, &QTimer::timeout, this, &TreemapView::showLabel);

    transition_.setStartValue(0.0);
    transition_.setEndValue(1.0);
    transition_.setDuration(ZoomFromRect::kDurationMs);
    connect(&transition_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(&transition_, &QVariantAnimation::finished, this, [this] {
        outgoing_ = {};
        update();
    });

    auto repaint = [this] { update(); };
    connect(&model_, &AppModel::currentChanged, this, &TreemapView::folderChanged);
    connect(&model_, &AppModel::versionChanged, this, &TreemapView::treeChanged);
    connect(&model_, &AppModel::measureChanged, this, &TreemapView::treeChanged);
    connect(&model_, &AppModel::selectionChanged, this, repaint);
    connect(&model_, &AppModel::hoverIndexChanged, this, repaint);
    connect(&model_, &AppModel::searchTextChanged, this, [this] {
        searchStale_ = true;
        update();
    });
    connect(&model_, &AppModel::infoItemChanged, this, [this] {
        if (!model_.infoItem() && popover_ && popover_->isVisible())
            popover_->close();
    });
}

TreemapView::~TreemapView() {
    if (popover_)
        popover_->close();
}

const std::vector<TreemapTile>& TreemapView::tiles() {
    return model_.tiles(width(), height());
}

Node::Ptr TreemapView::nodeAt(QPointF point) {
    const auto& shown = tiles();
    std::optional<int> index = MapGeometry::tileAt(shown, point);
    const Node::Ptr* node = index ? nodeOf(shown[static_cast<size_t>(*index)]) : nullptr;
    return node ? *node : nullptr;
}

QRectF TreemapView::unitRect(const Rect& rect) const {
    double w = width();
    double h = height();
    return {rect.x / w, rect.y / h, rect.width / w, rect.height / h};
}

std::optional<HoverLabel> TreemapView::hoverLabel() const {
    const TreemapTile* tile = model_.hoveredTile();
    if (!labelShown_ || !tile || !tile->node())
        return std::nullopt;
    return HoverLabel{HoverLabel::textFor(*tile->node(), model_.measure()), pointer_,
                      QSizeF(size())};
}

InfoPopover* TreemapView::infoPopover() const {
    return popover_;
}

bool TreemapView::isTransitioning() const {
    return transition_.state() == QAbstractAnimation::Running;
}

std::vector<Node::Ptr> TreemapView::contextNodes() const {
    const TreemapTile* tile = model_.hoveredTile();
    const Node::Ptr* node = tile ? nodeOf(*tile) : nullptr;
    if (!node)
        return {};
    if (model_.selection().contains(*node))
        return model_.selectedNodes();
    return {*node};
}

// Drawing.

const QImage& TreemapView::tileLayer(const std::vector<TreemapTile>& tiles) {
    qreal ratio = devicePixelRatioF();
    LayerKey key{
        model_.current().get(), model_.version(), model_.measure(), width(), height(), ratio};
    if (layerKey_ == key)
        return layer_;
    layerKey_ = key;
    layer_ = QImage(QSize(qRound(width() * ratio), qRound(height() * ratio)),
                    QImage::Format_ARGB32_Premultiplied);
    layer_.setDevicePixelRatio(ratio);
    layer_.fill(palette().color(QPalette::Window));
    TreemapRenderer::draw(layer_, tiles, labels_);
    return layer_;
}

const std::set<const Node*>& TreemapView::searchHits() {
    if (searchStale_) {
        searchHits_.clear();
        for (const auto& node : model_.searchResults())
            searchHits_.insert(node.get());
        searchStale_ = false;
    }
    return searchHits_;
}

void TreemapView::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    const auto& shown = tiles();
    const QImage& layer = tileLayer(shown);
    if (isTransitioning()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        double time = double(transition_.currentTime()) / transition_.duration();
        double progress = transition_.currentValue().toDouble();
        if (!outgoing_.isNull()) {
            painter.setOpacity(1 - time);
            painter.drawImage(0, 0, outgoing_);
        }
        if (zoom_) {
            painter.setOpacity(1);
            painter.setTransform(
                ZoomFromRect::transform(ZoomFromRect{*zoom_}.at(progress), QSizeF(size())));
        } else {
            painter.setOpacity(progress);
        }
        painter.drawImage(0, 0, layer);
        return;
    }
    painter.drawImage(0, 0, layer);
    TreemapHighlights::draw(painter, shown,
                            {&model_.selection(), &searchHits(), model_.hoverIndex(),
                             palette().color(QPalette::Highlight)});
    if (auto label = hoverLabel())
        label->draw(painter, palette());
}

void TreemapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    empty_->setGeometry(rect());
    refreshEmptyView();
}

void TreemapView::refreshEmptyView() {
    const Node::Ptr& folder = model_.current();
    if (folder && tiles().empty())
        empty_->present(*folder);
    else
        empty_->hide();
}

// Model changes.

void TreemapView::folderChanged() {
    hideLabel();
    searchStale_ = true;
    transition_.stop();
    // The layer still shows the folder being left; it fades out under the new one.
    outgoing_ = layerKey_ ? layer_ : QImage();
    zoom_ = model_.zoomFrom();
    if (zoom_) {
        QEasingCurve spring;
        spring.setCustomType(&ZoomFromRect::spring);
        transition_.setEasingCurve(spring);
    } else {
        transition_.setEasingCurve(QEasingCurve::InOutQuad);
    }
    transition_.start();
    refreshEmptyView();
    update();
}

void TreemapView::treeChanged() {
    searchStale_ = true;
    refreshEmptyView();
    // The tiles may have moved under a pointer resting on the map; a pointer that never moved
    // over it hovers nothing.
    if (latest_)
        hover(*latest_);
    update();
}

// Hover.

void TreemapView::hover(QPointF at) {
    latest_ = at;
    std::optional<int> index = MapGeometry::tileAt(tiles(), at);
    if (index == model_.hoverIndex())
        return;
    model_.setHoverIndex(index);
    restartLabelTimer();
}

void TreemapView::restartLabelTimer() {
    hideLabel();
    labelTimer_.start();
}

void TreemapView::hideLabel() {
    labelTimer_.stop();
    if (labelShown_) {
        labelShown_ = false;
        update();
    }
}

void TreemapView::showLabel() {
    if (!latest_ || (popover_ && popover_->isVisible()))
        return;
    pointer_ = *latest_;
    labelShown_ = true;
    update();
}

void TreemapView::mouseMoveEvent(QMouseEvent* event) {
    hover(event->position());
}

void TreemapView::leaveEvent(QEvent* event) {
    latest_.reset();
    model_.setHoverIndex(std::nullopt);
    hideLabel();
    QWidget::leaveEvent(event);
}

// Clicks.

void TreemapView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    pressed_ = event->button() == Qt::LeftButton;
    pressedNode_ = nodeAt(event->position());
    event->accept();
}

void TreemapView::mouseReleaseEvent(QMouseEvent* event) {
    bool tap = pressed_ && event->button() == Qt::LeftButton && !swallowRelease_ &&
               rect().contains(event->position().toPoint());
    pressed_ = false;
    swallowRelease_ = false;
    if (tap)
        click(event->position(), event->modifiers());
}

void TreemapView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The release that ends a double click is not another tap.
    swallowRelease_ = true;
    if (event->button() != Qt::LeftButton)
        return;
    // The first click may have opened a folder: the second then lands on another layout, and
    // what lies under it now was never clicked.
    Node::Ptr node = nodeAt(event->position());
    if (node && node == pressedNode_ && node->kind() == Node::Kind::file)
        model_.activate(node);
}

void TreemapView::click(QPointF at, Qt::KeyboardModifiers modifiers) {
    const auto& shown = tiles();
    std::optional<int> index = MapGeometry::tileAt(shown, at);
    const TreemapTile* tile = index ? &shown[static_cast<size_t>(*index)] : nullptr;
    const Node::Ptr* carried = tile ? nodeOf(*tile) : nullptr;
    if (!carried) {
        model_.setSelection({});
        return;
    }
    Node::Ptr node = *carried;
    if (modifiers & Qt::ControlModifier) {
        NodeSet selection = model_.selection();
        if (!selection.erase(node))
            selection.insert(node);
        model_.setSelection(std::move(selection));
        return;
    }
    if (node->isDirectory() && !node->needsAccess) {
        model_.open(node, unitRect(tile->rect));
        return;
    }
    model_.setSelection({node});
    if (node->kind() == Node::Kind::file)
        return;
    hideLabel();
    showInfo(node, MapGeometry::toQRectF(tile->rect));
}

void TreemapView::showInfo(const Node::Ptr& node, const QRectF& rect) {
    if (popover_)
        popover_->close();
    popover_ = new InfoPopover(model_, node, this);
    popover_->showAt(this, rect);
}

// Keys.

void TreemapView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        moveSelection(MapGeometry::Direction::left);
        return;
    case Qt::Key_Right:
        moveSelection(MapGeometry::Direction::right);
        return;
    case Qt::Key_Up:
        moveSelection(MapGeometry::Direction::up);
        return;
    case Qt::Key_Down:
        moveSelection(MapGeometry::Direction::down);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!openSelection())
            event->ignore();
        return;
    case Qt::Key_Space:
        model_.previewSelection();
        return;
    case Qt::Key_Delete:
        model_.askToTrash(model_.selectedNodes());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TreemapView::moveSelection(MapGeometry::Direction direction) {
    const auto& shown = tiles();
    std::optional<int> selected;
    for (size_t i = 0; i < shown.size() && !selected; ++i)
        if (MapGeometry::isArrowCandidate(shown[i]) &&
            model_.selection().contains(*nodeOf(shown[i])))
            selected = static_cast<int>(i);
    if (auto next = MapGeometry::neighbour(shown, selected, direction))
        model_.setSelection({*nodeOf(shown[static_cast<size_t>(*next)])});
}

bool TreemapView::openSelection() {
    auto selected = model_.selectedNodes();
    if (selected.empty())
        return false;
    const Node::Ptr& node = selected.front();
    if (!node->isDirectory()) {
        model_.activate(node);
        return true;
    }
    for (const TreemapTile& tile : tiles())
        if (tile.node() == node.get()) {
            model_.open(node, unitRect(tile.rect));
            return true;
        }
    model_.open(node);
    return true;
}

void TreemapView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse)
        hover(event->pos());
    auto nodes = contextNodes();
    if (nodes.empty())
        return;
    QMenu menu(this);
    ItemMenu::fill(menu, model_, nodes);
    menu.exec(event->globalPos());
}

} // namespace tavelin
