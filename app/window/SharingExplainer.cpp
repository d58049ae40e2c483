#include "window/SharingExplainer.h"

#include "model/AppModel.h"
#include "widgets/Texts.h"
#include "window/CloneDiagram.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavelin {
namespace {

QLabel* paragraph(const QString& html, QWidget* parent) {
    auto* label = new QLabel(html, parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    return label;
}

} // namespace

QString SharingExplainer::exampleText(const AppModel& model) {
    Node::Ptr folder = model.sharingExample();
    if (!folder)
        return {};
    return QStringLiteral("On this disk, <b>") +
           QString::fromStdString(folder->name).toHtmlEscaped() + QStringLiteral("</b> is ") +
           bytesText(folder->size) + QStringLiteral(" on disk, but deleting it frees ") +
           bytesText(folder->unique) + QStringLiteral(". The other ") +
           bytesText(folder->shared()) + QStringLiteral(" is shared with copies elsewhere.");
}

SharingExplainer::SharingExplainer(AppModel& model, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Why deleting can free less than the size"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Why deleting can free less than the size"), this);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    title->setFont(font);
    layout->addWidget(title);
    layout->addWidget(
        paragraph(linuxText("On a Mac, a copied file is often a <b>clone</b>: the copy and the "
                            "original share the same data on disk until one of them changes. "
                            "Finder, Xcode, Unity and many other tools make clones."),
                  this));
    layout->addWidget(paragraph(QStringLiteral("<b>Size on Disk</b> counts every copy in full, so "
                                               "shared data is counted more than once."),
                                this));
    layout->addWidget(
        paragraph(QStringLiteral("<b>Space Freed by Deleting</b> counts only what no other file "
                                 "shares: the space you’d actually get back."),
                  this));
    if (QString example = exampleText(model); !example.isEmpty())
        layout->addWidget(paragraph(example, this));
    layout->addWidget(
        paragraph(linuxText("Time Machine’s local snapshots can keep deleted files for up to a "
                            "day, so the space may come back a little later."),
                  this));
    layout->addWidget(new CloneDiagram(this));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* sizeByFreed = buttons->addButton(QStringLiteral("Size the Map by Space Freed"),
                                                  QDialogButtonBox::ActionRole);
    QPushButton* gotIt = buttons->addButton(QStringLiteral("Got It"), QDialogButtonBox::AcceptRole);
    gotIt->setDefault(true);
    layout->addWidget(buttons);
    connect(sizeByFreed, &QPushButton::clicked, this, [this, &model] {
        model.setMeasure(Measure::unique);
        accept();
    });
    connect(gotIt, &QPushButton::clicked, this, &QDialog::accept);
    setMinimumWidth(480);
}

} // namespace tavelin
