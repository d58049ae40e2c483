#include "window/AdvisorPane.h"

#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/CandidateRow.h"
#include "window/Chip.h"
#include "window/ElidedLabel.h"
#include "window/PaneMessage.h"
#include "window/RecentActionsList.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

namespace tavelin {
namespace {

constexpr int kSafeIndex = static_cast<int>(std::tuple_size_v<decltype(Goal::steps())>);

QLabel* secondary(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setWordWrap(true);
    return label;
}

QLabel* bold(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// The copy of a set of duplicates that stays: choosing another one changes the row.
std::string keptCopy(const Candidate& candidate) {
    for (const DuplicateCopy& copy : candidate.copies)
        if (copy.kept)
            return "\n" + copy.identity.path;
    return {};
}

QString goalText(const Goal& goal) {
    return goal.isAsMuchAsSafe() ? QStringLiteral("Max safe") : bytesText(*goal.byteCount());
}

} // namespace

AdvisorPane::AdvisorPane(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , message_(new PaneMessage(this))
    , scroll_(new QScrollArea(this))
    , summary_(new QWidget(this))
    , goalPicker_(new QComboBox(summary_))
    , headline_(bold({}, summary_))
    , caption_(secondary({}, summary_))
    , rungChips_(new QWidget(summary_))
    , goalLine_(secondary({}, summary_))
    , apply_(new QPushButton(QStringLiteral("Apply"), summary_))
    , slowLine_(new QWidget(this))
    , report_(new QLabel(this))
    , recent_(new RecentActionsList(model, this))
    , fileNote_(secondary({}, this)) {
    fileNote_->setWordWrap(true);
    fillGoalPicker();
    goalPicker_->setToolTip(QStringLiteral(
        "How much space you want back. Tavelin picks the steps that cost you least to get there."));
    connect(goalPicker_, &QComboBox::activated, this, [this](int index) {
        model_.advisor().setGoal(index == kSafeIndex
                                     ? Goal::asMuchAsSafe()
                                     : Goal::bytes(goalPicker_->itemData(index).toLongLong()));
    });
    apply_->setToolTip(QStringLiteral("Carry out the ticked steps"));
    connect(apply_, &QPushButton::clicked, &model_, &AppModel::askToApply);
    report_->setWordWrap(true);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont headlineFont = headline_->font();
    headlineFont.setPointSizeF(headlineFont.pointSizeF() * 1.3);
    headline_->setFont(headlineFont);
    new QHBoxLayout(rungChips_);
    rungChips_->layout()->setContentsMargins(0, 0, 0, 0);

    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(new QLabel(QStringLiteral("Free up"), summary_));
    pickerRow->addWidget(goalPicker_, 1);
    auto* headlineRow = new QHBoxLayout;
    headlineRow->addWidget(headline_, 1);
    headlineRow->addWidget(apply_);
    auto* summaryLayout = new QVBoxLayout(summary_);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addLayout(pickerRow);
    summaryLayout->addLayout(headlineRow);
    summaryLayout->addWidget(caption_);
    summaryLayout->addWidget(rungChips_);
    summaryLayout->addWidget(goalLine_);

    auto* slowLayout = new QHBoxLayout(slowLine_);
    slowLayout->setContentsMargins(0, 0, 0, 0);
    auto* glass = new QLabel(slowLine_);
    glass->setPixmap(symbolIcon("magnifyingglass").pixmap(16, 16));
    slowLayout->addWidget(glass);
    slowLayout->addWidget(secondary(QStringLiteral("Looking for duplicate files…"), slowLine_), 1);

    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(fileNote_);
    layout->addWidget(message_);
    layout->addWidget(summary_);
    layout->addWidget(slowLine_);
    layout->addWidget(scroll_, 1);
    layout->addWidget(report_);
    layout->addWidget(recent_);

    connect(&model_.advisor(), &AdvisorState::changed, this, &AdvisorPane::refresh);
    connect(&model_, &AppModel::sessionChanged, this, &AdvisorPane::refresh);
    connect(&model_, &AppModel::isScanningChanged, this, &AdvisorPane::refresh);
    connect(&model_.applying(), &ApplyState::changed, this, &AdvisorPane::refreshApplying);
    connect(&model_, &AppModel::versionChanged, this, [this] {
        if (model_.isScanning() && model_.advisor().candidates().empty())
            refresh();
    });
    connect(&model_, &AppModel::sizeUnitsChanged, this, [this] {
        fillGoalPicker();
        rebuildList();
        refreshSummary();
    });
    refresh();
}

void AdvisorPane::fillGoalPicker() {
    goalPicker_->clear();
    for (int64_t step : Goal::steps())
        goalPicker_->addItem(bytesText(step), QVariant::fromValue<qlonglong>(step));
    goalPicker_->addItem(QStringLiteral("Max safe"));
}

QString AdvisorPane::fileNote() const {
    return fileNote_->isHidden() ? QString() : fileNote_->text();
}

QString AdvisorPane::reportLine() const {
    return report_->isHidden() ? QString() : report_->text();
}

void AdvisorPane::refreshApplying() {
    const ApplyState& state = model_.applying();
    report_->setVisible(state.applyReport().has_value());
    report_->setText(state.applyReport().value_or(QString()));
    apply_->setText(state.isApplying() ? QStringLiteral("Applying…") : QStringLiteral("Apply"));
    apply_->setEnabled(!state.isApplying() && !model_.isScanning() &&
                       !model_.advisor().checkedCandidates().empty());
}

bool AdvisorPane::showsList() const {
    return !scroll_->isHidden();
}

QString AdvisorPane::headline() const {
    return headline_->text();
}

QString AdvisorPane::goalLine() const {
    return goalLine_->text();
}

void AdvisorPane::refresh() {
    refreshApplying();
    const AdvisorState& advisor = model_.advisor();
    bool empty = advisor.candidates().empty();
    bool list = model_.session() && !empty;
    const std::optional<ScanSource>& source = model_.importedFrom();
    fileNote_->setVisible(source.has_value());
    if (source)
        fileNote_->setText(QStringLiteral("Read from ") + quoted(source->fileName) +
                           QStringLiteral(": these suggestions come from names and paths alone, "
                                          "and none can be applied from here."));
    message_->setVisible(!list);
    summary_->setVisible(list);
    scroll_->setVisible(list);
    slowLine_->setVisible(list && advisor.slowRunning());
    if (!model_.session()) {
        message_->set(QStringLiteral("Nothing Scanned"), "sparkles",
                      QStringLiteral("Scan your disk to see what you can free, and what it would "
                                     "cost you."));
    } else if (empty && model_.isScanning()) {
        message_->set(model_.subtitle(), "hourglass",
                      QStringLiteral("Suggestions appear here as folders finish scanning."));
    } else if (empty) {
        message_->set(QStringLiteral("Nothing to Suggest"), "checkmark.circle",
                      QStringLiteral("Nothing here looks safe to remove or move."));
    }
    if (!list) {
        shown_.clear();
        return;
    }
    refreshSummary();
    std::vector<std::string> shown;
    for (const Candidate& candidate : advisor.visible())
        shown.push_back(candidate.id + keptCopy(candidate));
    for (const auto& entry : advisor.hiddenEntries())
        shown.push_back(entry.key);
    if (shown != shown_ || !list_) {
        shown_ = std::move(shown);
        rebuildList();
    }
    for (CandidateRow* row : rows())
        row->refreshTick();
}

void AdvisorPane::refreshSummary() {
    const AdvisorState& advisor = model_.advisor();
    const Goal& goal = advisor.goal();
    goalPicker_->setCurrentIndex(
        goal.isAsMuchAsSafe()
            ? kSafeIndex
            : goalPicker_->findData(QVariant::fromValue<qlonglong>(*goal.byteCount())));

    std::vector<Candidate> ticked = advisor.checkedCandidates();
    int64_t selected = 0;
    std::set<Rung> rungs;
    for (const Candidate& candidate : ticked) {
        selected += candidate.freed;
        rungs.insert(candidate.rung);
    }
    headline_->setText(QStringLiteral("Selected ") + bytesText(selected));
    bool lossFree =
        !ticked.empty() && !rungs.contains(Rung::archive) && !rungs.contains(Rung::review);
    caption_->setVisible(lossFree);
    caption_->setText(QStringLiteral("Nothing of yours lost"));
    QLayout* chips = rungChips_->layout();
    while (QLayoutItem* item = chips->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (Rung rung : rungs) {
        QLabel* chip = makeChip(
            QStringLiteral("● ") +
                QString::fromUtf8(label(rung).data(), static_cast<qsizetype>(label(rung).size())),
            dotColour(rung));
        chips->addWidget(chip);
    }
    static_cast<QHBoxLayout*>(chips)->addStretch();

    const std::optional<Plan>& plan = advisor.plan();
    if (goal.isAsMuchAsSafe()) {
        goalLine_->setText(QStringLiteral(
            "Everything that costs you nothing or next to nothing. Tick more below if you like."));
    } else if (plan && plan->reachesGoal) {
        goalLine_->setText(QStringLiteral("Reaches your ") + goalText(goal) +
                           QStringLiteral(" goal at the least cost."));
    } else {
        int64_t freed = plan ? plan->freed : 0;
        goalLine_->setText(bytesText(*goal.byteCount() - freed) +
                           QStringLiteral(" short of your goal without touching your own files. "
                                          "Items marked “Your call” can make up the rest."));
    }
}

void AdvisorPane::rebuildList() {
    int scrolled = scroll_->verticalScrollBar()->value();
    // The old list may hold the row whose menu asked for this: it goes once that returns.
    if (QWidget* old = scroll_->takeWidget())
        old->deleteLater();
    list_ = new QWidget;
    listLayout_ = new QVBoxLayout(list_);
    AdvisorState::Layout layout = model_.advisor().layout();
    std::vector<CloudProvider> providers = model_.advisor().cloudProviders();
    addCategoryGroups(layout, providers);
    addProjectGroups(layout, providers);
    addHiddenEntries();
    listLayout_->addStretch();
    scroll_->setWidget(list_);
    scroll_->verticalScrollBar()->setValue(scrolled);
}

void AdvisorPane::addHeading(const QString& text) {
    QLabel* heading = bold(text, list_);
    heading->setObjectName(QStringLiteral("heading"));
    listLayout_->addWidget(heading);
}

void AdvisorPane::addCategoryGroups(const AdvisorState::Layout& layout,
                                    const std::vector<CloudProvider>& providers) {
    if (!layout.categories.empty())
        addHeading(linuxText("Around your Mac"));
    for (const AdvisorState::Group& group : layout.categories) {
        AdvisorCategory category = std::get<AdvisorCategory>(group.owner);
        auto* header = new QWidget(list_);
        auto* row = new QHBoxLayout(header);
        row->setContentsMargins(0, 6, 0, 0);
        auto* icon = new QLabel(header);
        icon->setPixmap(symbolIcon(std::string(symbol(category)).c_str()).pixmap(16, 16));
        row->addWidget(icon);
        row->addWidget(bold(QString::fromUtf8(title(category).data(),
                                              static_cast<qsizetype>(title(category).size())),
                            header));
        row->addWidget(secondary(countText(static_cast<int64_t>(group.candidates.size())), header));
        row->addStretch();
        row->addWidget(new QLabel(bytesText(group.freed()), header));
        listLayout_->addWidget(header);
        for (const Candidate* candidate : group.candidates)
            listLayout_->addWidget(new CandidateRow(model_, *candidate, providers, list_));
    }
}

void AdvisorPane::addProjectGroups(const AdvisorState::Layout& layout,
                                   const std::vector<CloudProvider>& providers) {
    if (!layout.projects.empty())
        addHeading(QStringLiteral("Projects"));
    for (const AdvisorState::Group& group : layout.projects) {
        const Project& project = std::get<Project>(group.owner);
        auto* header = new QWidget(list_);
        auto* row = new QHBoxLayout(header);
        row->setContentsMargins(0, 6, 0, 0);
        row->addWidget(bold(QString::fromStdString(project.name), header));
        auto* count = secondary({}, header);
        count->setObjectName(QStringLiteral("count"));
        row->addWidget(count, 1);
        auto* more = new QToolButton(header);
        more->setIcon(symbolIcon("ellipsis.circle"));
        more->setAutoRaise(true);
        more->setPopupMode(QToolButton::InstantPopup);
        more->setToolTip(QStringLiteral("Hide this project’s suggestions"));
        auto* menu = new QMenu(more);
        std::string root = project.root;
        connect(menu->addAction(QStringLiteral("Hide Suggestions for ") +
                                QString::fromStdString(project.name)),
                &QAction::triggered, this, [this, root] { model_.advisor().hideProject(root); });
        connect(menu->addAction(linuxText("Show Project in Finder")), &QAction::triggered, this,
                [this, root] { model_.revealPaths({root}); });
        more->setMenu(menu);
        row->addWidget(more);
        listLayout_->addWidget(header);
        std::vector<std::string> ids;
        for (const Candidate* candidate : group.candidates) {
            ids.push_back(candidate->id);
            listLayout_->addWidget(new CandidateRow(model_, *candidate, providers, list_));
        }
        auto countTicks = [this, count, ids] {
            int ticked = 0;
            for (const std::string& id : ids)
                ticked += model_.advisor().checked().contains(id) ? 1 : 0;
            int all = static_cast<int>(ids.size());
            count->setText(ticked == 0
                               ? countText(all) + (all == 1 ? QStringLiteral(" suggestion")
                                                            : QStringLiteral(" suggestions"))
                               : countText(ticked) + QStringLiteral(" of ") + countText(all) +
                                     QStringLiteral(" selected"));
        };
        countTicks();
        connect(&model_.advisor(), &AdvisorState::changed, count, countTicks);
    }
}

void AdvisorPane::addHiddenEntries() {
    auto entries = model_.advisor().hiddenEntries();
    if (entries.empty())
        return;
    addHeading(QStringLiteral("Hidden"));
    for (const AdvisorState::HiddenEntry& entry : entries) {
        auto* row = new QWidget(list_);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(secondary(entry.label, row), 1);
        auto* show = new QPushButton(QStringLiteral("Show"), row);
        show->setAccessibleName(entry.label);
        std::string key = entry.key;
        connect(show, &QPushButton::clicked, this, [this, key] { model_.advisor().unhide(key); });
        layout->addWidget(show);
        listLayout_->addWidget(row);
    }
}

QStringList AdvisorPane::listTexts() const {
    QStringList texts;
    if (!list_)
        return texts;
    for (QLabel* label : list_->findChildren<QLabel*>()) {
        const auto* elided = dynamic_cast<const ElidedLabel*>(label);
        QString text = elided ? elided->fullText() : label->text();
        if (!text.isEmpty())
            texts << text;
    }
    return texts;
}

std::vector<CandidateRow*> AdvisorPane::rows() const {
    std::vector<CandidateRow*> list;
    if (!list_)
        return list;
    for (CandidateRow* row : list_->findChildren<CandidateRow*>())
        list.push_back(row);
    return list;
}

} // namespace tavelin
