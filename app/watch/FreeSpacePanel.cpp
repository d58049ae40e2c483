#include "watch/FreeSpacePanel.h"

#include "freespace/Alerts.h"
#include "watch/DiskWatch.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavelin {
namespace {

constexpr int kIconSize = 26;
constexpr int kGaugeSteps = 1000;
const QColor kRed(0xD9, 0x30, 0x25);
const QColor kOrange(0xF0, 0x8A, 0x00);

QColor gaugeTint(double used, const QPalette& palette) {
    if (used > 0.95)
        return kRed;
    if (used > 0.85)
        return kOrange;
    return palette.color(QPalette::Highlight);
}

QWidget* volumeRow(const platform::Volume& volume, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("volumeRow"));
    auto* icon = new QLabel(row);
    icon->setPixmap(symbolIcon("internaldrive").pixmap(kIconSize, kIconSize));
    icon->setFixedSize(kIconSize, kIconSize);
    auto* name = new QLabel(QString::fromStdString(volume.name), row);
    name->setObjectName(QStringLiteral("name"));
    auto* free = new QLabel(bytesText(volume.free) + QStringLiteral(" free"), row);
    free->setObjectName(QStringLiteral("free"));
    QPalette freePalette = free->palette();
    freePalette.setColor(QPalette::WindowText, Alerts::isLow(volume.free, volume.total)
                                                   ? kRed
                                                   : freePalette.color(QPalette::PlaceholderText));
    free->setPalette(freePalette);

    double used = volume.usedShare();
    auto* gauge = new QProgressBar(row);
    gauge->setRange(0, kGaugeSteps);
    gauge->setValue(static_cast<int>(std::lround(used * kGaugeSteps)));
    gauge->setTextVisible(false);
    gauge->setFixedHeight(6);
    QPalette gaugePalette = gauge->palette();
    gaugePalette.setColor(QPalette::Highlight, gaugeTint(used, gaugePalette));
    gauge->setPalette(gaugePalette);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->addWidget(name);
    line->addStretch();
    line->addWidget(free);
    text->addLayout(line);
    text->addWidget(gauge);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon);
    layout->addLayout(text, 1);
    return row;
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

FreeSpacePanel::FreeSpacePanel(DiskWatch& watch, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , watch_(watch)
    , rows_(new QVBoxLayout)
    , lowLine_(new QLabel(this)) {
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(kWidth);
    auto* heading = new QLabel(QStringLiteral("Free Space"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    lowLine_->setWordWrap(true);
    auto* history = new QPushButton(QStringLiteral("Free-Space History…"), this);
    history->setFlat(true);
    auto* open = new QPushButton(QStringLiteral("Open Tavelin"), this);
    open->setDefault(true);
    auto* quit = new QPushButton(QStringLiteral("Quit"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->addWidget(heading);
    layout->addLayout(rows_);
    layout->addWidget(lowLine_);
    layout->addWidget(history, 0, Qt::AlignLeft);
    layout->addWidget(divider(this));
    layout->addLayout(buttons);

    connect(history, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT historyRequested();
    });
    connect(open, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT openRequested();
    });
    connect(quit, &QPushButton::clicked, this, &FreeSpacePanel::quitRequested);
    connect(&watch_, &DiskWatch::volumesChanged, this, &FreeSpacePanel::rebuild);
    rebuild();
}

void FreeSpacePanel::showEvent(QShowEvent* event) {
    watch_.refresh();
    QFrame::showEvent(event);
}

void FreeSpacePanel::rebuild() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const platform::Volume& volume : watch_.volumes())
        rows_->addWidget(volumeRow(volume, this));
    const platform::Volume* boot = watch_.boot();
    bool low = boot && Alerts::isLow(boot->free, boot->total);
    lowLine_->setVisible(low);
    if (low)
        lowLine_->setText(QString::fromStdString(boot->name) +
                          QStringLiteral(" is running low. Open Tavelin to see what to clear."));
    adjustSize();
}

} // namespace tavelin
