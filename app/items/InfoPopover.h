#pragma once

// The popover that explains a synthetic or skipped item:
// the small files of a folder, the used space the scan has not reached or could not place,
// a folder skipped because it is protected, and one that could not be read. Opening it records the
// node as the model's `infoItem`; closing it clears that again. Used by the map and the table.

#include "scan/Node.h"

#include <QFrame>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace tavelin {

class AppModel;

class InfoPopover : public QFrame {
    Q_OBJECT
public:
    struct Content {
        QString title;
        QStringList paragraphs;
        QStringList reasons; // listed as bullets after the paragraphs
        bool offersAccess = false;
    };

    // Whether a node has a popover: pseudo nodes, and folders skipped for want of access or
    // that could not be read.
    static bool explains(const Node& node);
    static Content contentFor(const AppModel& model, const Node& node);

    // A popup for the node; it deletes itself once closed.
    InfoPopover(AppModel& model, Node::Ptr node, QWidget* parent);
    ~InfoPopover() override;

    // Shows it below a rectangle given in `anchor`'s coordinates.
    void showAt(QWidget* anchor, const QRectF& rect);

    const Node::Ptr& node() const { return node_; }
    const Content& content() const { return content_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    AppModel& model_;
    Node::Ptr node_;
    Content content_;
};

} // namespace tavelin
