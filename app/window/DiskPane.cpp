#include "window/DiskPane.h"

#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/DateText.h"
#include "window/PaneMessage.h"
#include "window/UsageBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tavelin {
namespace {

const QColor kFilesColour(0x0A, 0x84, 0xFF);
const QColor kSystemColour(0xAF, 0x52, 0xDE);

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QFont scaled(QFont font, double factor, bool bold = false) {
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

QWidget* legend(const std::vector<UsageBar::Part>& parts, const QPalette& palette) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const UsageBar::Part& part : parts) {
        QColor colour = part.color.isValid() ? part.color : palette.color(QPalette::Midlight);
        auto* label = new QLabel(QStringLiteral("<span style=\"color:%1\">■</span> %2")
                                     .arg(colour.name(), part.name.toHtmlEscaped()));
        label->setFont(scaled(label->font(), 0.85));
        layout->addWidget(label);
    }
    layout->addStretch();
    return row;
}

} // namespace

DiskPane::DiskPane(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , message_(new PaneMessage(this))
    , progress_(new QWidget(this))
    , details_(new QScrollArea(this)) {
    auto* progressLayout = new QVBoxLayout(progress_);
    auto* busy = new QProgressBar(progress_);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    progressLayout->addStretch();
    progressLayout->addWidget(busy);
    progressLayout->addStretch();
    details_->setWidgetResizable(true);
    details_->setFrameShape(QFrame::NoFrame);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(message_);
    layout->addWidget(progress_);
    layout->addWidget(details_);

    connect(&model_.breakdown(), &BreakdownState::changed, this, &DiskPane::refresh);
    connect(&model_, &AppModel::sessionChanged, this, &DiskPane::refresh);
    connect(&model_, &AppModel::versionChanged, this, &DiskPane::updateFound);
    connect(&model_, &AppModel::sizeUnitsChanged, this, &DiskPane::refresh);
    refresh();
}

QString DiskPane::label(const DiskBreakdown::Volume& volume) {
    QString name = text(volume.name);
    QString role = volume.roles.empty() ? QString() : text(volume.roles.front());
    if (role == QLatin1String("System"))
        return linuxText("macOS (") + name + QStringLiteral(")");
    if (role == QLatin1String("VM"))
        return linuxText("Swap and sleep image");
    if (role == QLatin1String("Preboot"))
        return linuxText("Boot files (Preboot)") + name + QStringLiteral(")");
    if (role == QLatin1String("Recovery"))
        return QStringLiteral("Recovery");
    if (role == QLatin1String("Update"))
        return QStringLiteral("Pending updates");
    return name;
}

QString DiskPane::snapshotLine(const DiskBreakdown& breakdown) {
    size_t count = breakdown.snapshots.size();
    if (count > 0)
        return countText(static_cast<int64_t>(count)) + linuxText(" Time Machine snapshot") +
               (count == 1 ? QString() : QStringLiteral("s")) +
               QStringLiteral(", the oldest from ") +
               DateText::abbreviated(breakdown.snapshots.front()) +
               linuxText(". They hold on to files deleted since then; macOS doesn’t report how "
                         "much.");
    switch (breakdown.snapshotListing) {
    case SnapshotListing::unsupported:
        return QStringLiteral("None. This disk’s file system doesn’t keep snapshots.");
    case SnapshotListing::needsRoot:
        return QStringLiteral("Unknown: listing btrfs snapshots needs administrator rights.");
    case SnapshotListing::failed:
        return QStringLiteral("Unknown: the snapshot tools didn’t answer.");
    case SnapshotListing::listed:
        break;
    }
    return linuxText("None. Time Machine keeps hourly snapshots on this disk between "
                     "backups, for up to 24 hours.");
}

bool DiskPane::showsProgress() const {
    return !progress_->isHidden();
}

bool DiskPane::showsDetails() const {
    return !details_->isHidden();
}

QString DiskPane::rowValue(const QString& title) const {
    for (const Row& row : rows_)
        if (row.title->text() == title)
            return row.value->text();
    return {};
}

std::vector<QString> DiskPane::rowTitles() const {
    std::vector<QString> titles;
    for (const Row& row : rows_)
        titles.push_back(row.title->text());
    return titles;
}

std::vector<QString> DiskPane::snapshotTexts() const {
    std::vector<QString> texts;
    for (const QLabel* label : snapshotTexts_)
        texts.push_back(label->text());
    return texts;
}

void DiskPane::refresh() {
    bool disk = model_.isWholeDiskScan();
    bool loading = disk && model_.breakdown().isLoading();
    const std::optional<DiskBreakdown>& breakdown = model_.breakdown().breakdown();
    if (!disk)
        message_->set(QStringLiteral("Scan a Whole Disk"), "internaldrive",
                      linuxText("This shows where a disk’s space goes beyond your files: macOS, "
                                "snapshots, swap and recovery. Pick a disk in the sidebar."));
    else
        message_->set(QStringLiteral("No Disk Details"), "internaldrive",
                      QStringLiteral("The system’s disk tools couldn’t say how this disk is laid "
                                     "out. Network, memory and virtual file systems have none."));
    message_->setHidden(disk && (loading || breakdown));
    progress_->setHidden(!loading);
    details_->setHidden(!disk || loading || !breakdown);
    if (disk && !loading && breakdown)
        build(*breakdown);
}

void DiskPane::build(const DiskBreakdown& breakdown) {
    rows_.clear();
    snapshotTexts_.clear();
    found_ = nullptr;
    deleteButton_ = nullptr;
    content_ = new QWidget;
    layout_ = new QVBoxLayout(content_);
    details_->setWidget(content_); // deletes the previous content

    const std::string& device = model_.breakdown().device();
    std::optional<DiskBreakdown::Volume> data = breakdown.dataVolume(device);
    std::vector<DiskBreakdown::Volume> others = breakdown.otherVolumes(device);
    int64_t files = data ? data->inUse : 0;
    int64_t system = breakdown.reserved + breakdown.structures;
    for (const DiskBreakdown::Volume& volume : others)
        system += volume.inUse;

    bar_ = new UsageBar(content_);
    bar_->set(breakdown.capacity, {{QStringLiteral("Your files"), files, kFilesColour},
                                   {linuxText("macOS and system"), system, kSystemColour},
                                   {QStringLiteral("Free"), breakdown.free, QColor()}});
    layout_->addWidget(bar_);
    layout_->addWidget(legend(bar_->parts(), palette()));

    section(QStringLiteral("Your files"), "person.crop.circle");
    row(linuxText("Data volume in use"), files);
    row(QStringLiteral("Found by this scan"), 0, true);
    found_ = rows_.back().value;
    updateFound();
    note(QStringLiteral("The scan can find more than the volume holds, because each copy of a "
                        "cloned file counts in full, or less, when snapshots keep deleted files "
                        "or folders can’t be read."));

    section(linuxText("macOS and the disk itself"), "apple.logo");
    for (const DiskBreakdown::Volume& volume : others)
        row(label(volume), volume.inUse);
    if (breakdown.reserved > 0)
        row(QStringLiteral("Reserved for the system"), breakdown.reserved);
    if (breakdown.structures > 0)
        row(QStringLiteral("Disk and file system structures"), breakdown.structures);

    section(QStringLiteral("Local snapshots"), "clock.arrow.circlepath");
    addSnapshots(breakdown);

    if (breakdown.purgeable > 0) {
        section(QStringLiteral("Purgeable"), "leaf");
        row(linuxText("Freed by macOS when space runs low"), breakdown.purgeable);
    }
    section(QStringLiteral("Free"), "circle.dashed");
    row(linuxText("Free in this container"), breakdown.free);
    if (breakdown.unallocated > 0)
        row(QStringLiteral("Not yet in any partition"), breakdown.unallocated, true);
    layout_->addStretch();
}

void DiskPane::updateFound() {
    if (found_ && model_.session())
        found_->setText(bytesText(model_.session()->root()->size));
}

void DiskPane::section(const QString& title, const char* symbol) {
    auto* heading = new QWidget(content_);
    auto* layout = new QHBoxLayout(heading);
    layout->setContentsMargins(0, 10, 0, 2);
    auto* icon = new QLabel(heading);
    icon->setPixmap(symbolIcon(symbol).pixmap(16, 16));
    auto* label = new QLabel(title, heading);
    label->setFont(scaled(label->font(), 1.05, true));
    layout->addWidget(icon);
    layout->addWidget(label, 1);
    layout_->addWidget(heading);
}

void DiskPane::row(const QString& title, int64_t bytes, bool secondary) {
    auto* line = new QWidget(content_);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(22, 0, 0, 0);
    auto* name = new QLabel(title, line);
    name->setWordWrap(true);
    if (secondary)
        name->setForegroundRole(QPalette::PlaceholderText);
    auto* value = new QLabel(bytesText(bytes), line);
    value->setForegroundRole(QPalette::PlaceholderText);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(name, 1);
    layout->addWidget(value);
    layout_->addWidget(line);
    rows_.push_back({name, value});
}

void DiskPane::note(const QString& text) {
    auto* label = new QLabel(text, content_);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setFont(scaled(label->font(), 0.85));
    label->setContentsMargins(22, 2, 0, 0);
    layout_->addWidget(label);
}

void DiskPane::addSnapshots(const DiskBreakdown& breakdown) {
    auto addText = [this](const QString& text) {
        auto* label = new QLabel(text, content_);
        label->setWordWrap(true);
        label->setContentsMargins(22, 0, 0, 0);
        layout_->addWidget(label);
        snapshotTexts_.push_back(label);
    };
    const BreakdownState& state = model_.breakdown();
    if (state.isDeleting()) {
        addText(QStringLiteral("Deleting local snapshots…"));
    } else {
        addText(snapshotLine(breakdown));
        if (!breakdown.snapshots.empty()) {
            auto* button = new QPushButton(QStringLiteral("Delete Local Snapshots…"), content_);
            connect(button, &QPushButton::clicked, this, &DiskPane::confirmDeletion);
            auto* holder = new QHBoxLayout;
            holder->setContentsMargins(22, 0, 0, 0);
            holder->addWidget(button);
            holder->addStretch();
            layout_->addLayout(holder);
            deleteButton_ = button;
        }
    }
    if (state.snapshotNotice())
        addText(*state.snapshotNotice());
}

void DiskPane::confirmDeletion() {
    auto* box = new QMessageBox(
        QMessageBox::Warning, linuxText("Delete local Time Machine snapshots?"),
        linuxText("Delete local Time Machine snapshots?"), QMessageBox::NoButton, this);
    box->setInformativeText(
        linuxText("Your backups on the backup disk aren’t affected. You lose the local "
                  "copies Time Machine keeps between backups."));
    QAbstractButton* destroy =
        box->addButton(QStringLiteral("Delete Snapshots"), QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(QMessageBox::Cancel));
    box->setAttribute(Qt::WA_DeleteOnClose);
    confirmation_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, destroy] {
        confirmation_ = nullptr;
        if (box->clickedButton() == destroy)
            model_.deleteLocalSnapshots();
    });
    box->open();
}

} // namespace tavelin
