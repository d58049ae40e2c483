#include "items/InfoPopover.h"

#include "model/AppModel.h"
#include "util/Paths.h"
#include "widgets/ReadProblem.h"
#include "widgets/Texts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace tavelin {

bool InfoPopover::explains(const Node& node) {
    return node.isPseudo() || (node.isDirectory() && (node.needsAccess || node.isUnreadable));
}

InfoPopover::Content InfoPopover::contentFor(const AppModel& model, const Node& node) {
    Content content;
    switch (node.kind()) {
    case Node::Kind::smallFiles: {
        content.title = QString::fromStdString(node.name);
        const Node* folder = node.parent();
        int64_t count = std::max<int64_t>(node.fileCount, 1);
        content.paragraphs << countText(node.fileCount) +
                                  (node.fileCount == 1 ? QStringLiteral(" small file lies")
                                                       : QStringLiteral(" small files lie")) +
                                  QStringLiteral(" directly in ") +
                                  (folder ? quoted(folder->name) : QStringLiteral("this folder")) +
                                  QStringLiteral(", ") + bytesText(node.size / count) +
                                  QStringLiteral(" each on average.");
        if (node.shared() > 0)
            content.paragraphs << bytesText(node.shared()) +
                                      QStringLiteral(" of them is shared with copies.");
        content.paragraphs << linuxText("To see them one by one, show the folder in Finder.");
        break;
    }
    case Node::Kind::remainder:
        if (node.isScanning) {
            content.title = QStringLiteral("Not scanned yet");
            content.paragraphs << bytesText(node.size) +
                                      QStringLiteral(" of this disk’s used space not scanned yet.");
            break;
        }
        content.title = QStringLiteral("Other used space");
        content.paragraphs << bytesText(node.size) +
                                  QStringLiteral(" of used space is not in any folder the scan "
                                                 "could read. It is usually:");
        content.reasons << linuxText("macOS itself, on its sealed system volume")
                        << linuxText("Local Time Machine snapshots")
                        << linuxText("Swap, sleep image and recovery volumes that share the disk");
        if (const auto& session = model.session()) {
            std::vector<std::string> skipped(session->skipped().begin(), session->skipped().end());
            std::sort(skipped.begin(), skipped.end());
            for (const std::string& path : skipped)
                content.reasons << quoted(lastPathComponent(path)) +
                                       QStringLiteral(", a protected folder that was skipped");
            if (session->errors() > 0)
                content.reasons << countText(session->errors()) +
                                       (session->errors() == 1
                                            ? QStringLiteral(" item that couldn’t be read")
                                            : QStringLiteral(" items that couldn’t be read"));
        }
        break;
    case Node::Kind::directory:
    case Node::Kind::file:
        if (!node.needsAccess) {
            content.title = QStringLiteral("Couldn’t be read");
            content.paragraphs << QStringLiteral("Tavelin couldn’t read %1: %2.")
                                      .arg(quoted(node.name), ReadProblem::reason(node.path()))
                               << ReadProblem::why();
            break;
        }
        content.title = QStringLiteral("Skipped: protected folder");
        content.paragraphs
            << linuxText("macOS protects “%1”. Without Full Disk Access, reading it would make "
                         "macOS ask you for permission, so Tavelin left it out of this scan.")
                   .arg(QString::fromStdString(node.name))
            << linuxText("Full Disk Access lets Tavelin include protected folders.");
        content.offersAccess = true;
        break;
    }
    return content;
}

InfoPopover::InfoPopover(AppModel& model, Node::Ptr node, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , model_(model)
    , node_(std::move(node))
    , content_(contentFor(model, *node_)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    auto* title = new QLabel(content_.title, this);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    layout->addWidget(title);
    auto addText = [&](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    };
    for (const QString& paragraph : content_.paragraphs)
        addText(paragraph);
    for (const QString& reason : content_.reasons)
        addText(QStringLiteral("• ") + reason);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AppModel* target = &model_;
    Node::Ptr shown = node_;
    if (content_.offersAccess) {
        auto* allow = new QPushButton(linuxText("Allow Full Disk Access…"), this);
        connect(allow, &QPushButton::clicked, this, [this, target] {
            close();
            target->askForAccess();
        });
        buttons->addWidget(allow);
    }
    auto* reveal = new QPushButton(linuxText("Show in Finder"), this);
    connect(reveal, &QPushButton::clicked, this, [this, target, shown] {
        close();
        target->reveal({shown});
    });
    buttons->addWidget(reveal);
    layout->addLayout(buttons);
    setFixedWidth(340);
}

InfoPopover::~InfoPopover() = default;

void InfoPopover::showAt(QWidget* anchor, const QRectF& rect) {
    adjustSize();
    QPoint below = anchor->mapToGlobal(
        QPoint(static_cast<int>(rect.center().x()), static_cast<int>(rect.bottom())));
    QPoint origin(below.x() - width() / 2, below.y() + 4);
    if (QScreen* screen = anchor->screen()) {
        QRect area = screen->availableGeometry();
        if (origin.y() + height() > area.bottom())
            origin.setY(anchor->mapToGlobal(QPoint(0, static_cast<int>(rect.top()))).y() -
                        height() - 4);
        origin.setX(
            std::clamp(origin.x(), area.left(), std::max(area.left(), area.right() - width())));
        origin.setY(std::max(origin.y(), area.top()));
    }
    move(origin);
    model_.setInfoItem(node_);
    show();
}

void InfoPopover::hideEvent(QHideEvent* event) {
    if (model_.infoItem() == node_)
        model_.setInfoItem(nullptr);
    QFrame::hideEvent(event);
}

} // namespace tavelin
