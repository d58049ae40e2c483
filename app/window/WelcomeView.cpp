#include "window/WelcomeView.h"

#include "model/AppModel.h"
#include "widgets/FolderChooser.h"
#include "widgets/SymbolIcons.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tavelin {
namespace {

const platform::Volume* startupDisk(const AppModel& model) {
    const auto& volumes = model.volumes();
    auto boot = std::find_if(volumes.begin(), volumes.end(),
                             [](const auto& volume) { return volume.isBoot; });
    return boot == volumes.end() ? nullptr : &*boot;
}

} // namespace

WelcomeView::WelcomeView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , scanDisk_(new QPushButton(this)) {
    auto* heading = new QLabel(QStringLiteral("See what’s taking up space"), this);
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    heading->setFont(big);
    auto* text = new QLabel(QStringLiteral("Pick a disk or folder, or drop one here.\nClick a "
                                           "folder in the map to look inside it."),
                            this);
    text->setAlignment(Qt::AlignCenter);
    scanDisk_->setIcon(symbolIcon("internaldrive"));
    scanDisk_->setDefault(true);
    scanDisk_->setMinimumHeight(40);
    auto* choose = new QPushButton(QStringLiteral("Choose Folder…"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    for (QWidget* widget : std::initializer_list<QWidget*>{heading, text, scanDisk_, choose})
        layout->addWidget(widget, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->setSpacing(14);

    connect(scanDisk_, &QPushButton::clicked, this, [this] {
        if (const platform::Volume* disk = startupDisk(model_))
            model_.scan(disk->scanPath);
    });
    connect(choose, &QPushButton::clicked, this, [this] {
        if (auto folder = chooseFolder(window()))
            model_.scan(*folder);
    });
    connect(&model_, &AppModel::volumesChanged, this, &WelcomeView::refresh);
    refresh();
}

void WelcomeView::refresh() {
    const platform::Volume* disk = startupDisk(model_);
    scanDisk_->setVisible(disk != nullptr);
    if (disk)
        scanDisk_->setText(QStringLiteral("Scan ") + QString::fromStdString(disk->name));
}

} // namespace tavelin
