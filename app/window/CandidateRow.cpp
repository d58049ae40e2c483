#include "window/CandidateRow.h"

#include "model/AppModel.h"
#include "report/ReportText.h"
#include "util/Paths.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/Chip.h"
#include "window/DateText.h"
#include "window/ElidedLabel.h"
#include "window/FlowLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tavelin {

CandidateRow::CandidateRow(AppModel& model, Candidate candidate,
                           const std::vector<CloudProvider>& providers, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , candidate_(std::move(candidate))
    , tick_(new QCheckBox(this))
    , menu_(new QMenu(this)) {
    tick_->setAccessibleName(QString::fromStdString(candidate_.title));
    // Long file names keep their start and their extension.
    auto* title = new ElidedLabel(QString::fromStdString(candidate_.title), Qt::ElideMiddle, this);
    title->setToolTip(QString::fromStdString(candidate_.detail));
    auto* size = new QLabel(sizeText(candidate_), this);
    size->setObjectName(QStringLiteral("size"));

    auto* top = new QHBoxLayout;
    top->addWidget(tick_);
    top->addWidget(title, 1);
    if (QString chip = chipText(candidate_); !chip.isEmpty())
        top->addWidget(
            makeChip(chip, candidate_.rung == Rung::review ? DotColour::pink : DotColour::green));
    top->addWidget(size);
    const auto* guide = std::get_if<AdvisorAction::Guide>(&candidate_.action.value);
    if (guide && !guide->url.empty()) {
        auto* open =
            new QPushButton(symbolIcon("arrow.up.forward.app"), QStringLiteral("Open"), this);
        QString url = QString::fromStdString(guide->url);
        connect(open, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(QUrl(url)); });
        top->addWidget(open);
    }
    auto* more = new QToolButton(this);
    more->setIcon(symbolIcon("ellipsis.circle"));
    more->setToolTip(QStringLiteral("More options, or hide this suggestion"));
    more->setPopupMode(QToolButton::InstantPopup);
    more->setAutoRaise(true);
    more->setMenu(menu_);
    top->addWidget(more);

    auto* evidence = new FlowLayout(4);
    evidence->setContentsMargins(24, 0, 0, 0);
    auto addEvidence = [&](const std::string& text) {
        QString line = QString::fromStdString(text);
        // The flow gives a chip the width it asks for, up to the line's; a longer one wraps
        // rather than losing its end.
        QLabel* chip = makeWrappingChip(line, this);
        chip->setToolTip(line);
        evidence->addWidget(chip);
    };
    for (const Evidence& line : candidate_.evidence)
        addEvidence(line.text);
    if (candidate_.blocked)
        addEvidence(*candidate_.blocked);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addLayout(evidence);
    if (const auto* tool = std::get_if<AdvisorAction::RunTool>(&candidate_.action.value))
        layout->addWidget(commandLine(tool->command));
    if (guide)
        layout->addWidget(indented(caption(QString::fromStdString(guide->instructions))));
    if (!candidate_.copies.empty())
        layout->addWidget(copyChoice());

    refreshTick();
    connect(tick_, &QCheckBox::toggled, this,
            [this](bool on) { model_.advisor().setChecked(candidate_.id, on); });
    fillMenu(providers);
}

QLabel* CandidateRow::caption(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* CandidateRow::indented(QWidget* widget) {
    widget->setContentsMargins(24, 0, 0, 0);
    return widget;
}

// The command exactly as it runs, to read or copy.
QWidget* CandidateRow::commandLine(const ToolCommand& command) {
    auto* label = new QLabel(QString::fromStdString(command.display), this);
    label->setObjectName(QStringLiteral("command"));
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    label->setToolTip(QStringLiteral("The command this step runs"));
    return indented(label);
}

// Every copy of a set, with its folder and date; the one chosen stays when the step is applied.
QWidget* CandidateRow::copyChoice() {
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("copies"));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(24, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption(QStringLiteral("Which copy stays:")));
    auto* group = new QButtonGroup(box);
    for (const DuplicateCopy& copy : candidate_.copies) {
        const std::string& path = copy.identity.path;
        auto* choice = new QRadioButton(box);
        choice->setChecked(copy.kept);
        choice->setAccessibleName(QString::fromStdString(path));
        group->addButton(choice);
        auto* where = new ElidedLabel(
            QString::fromStdString(ReportText::shortPath(path, model_.advisor().home())),
            Qt::ElideMiddle, box);
        where->setToolTip(QString::fromStdString(path));
        Date created =
            dateFromTimespec(copy.identity.created.seconds, copy.identity.created.nanoseconds);
        // The path on the radio's line, its folder and date below it.
        auto* lines = new QGridLayout;
        lines->setHorizontalSpacing(4);
        lines->setVerticalSpacing(0);
        lines->addWidget(choice, 0, 0);
        lines->addWidget(where, 0, 1);
        lines->addWidget(caption(QStringLiteral("in ") +
                                 QString::fromStdString(lastPathComponent(parentPath(path))) +
                                 QStringLiteral(" · ") + DateText::abbreviated(created)),
                         1, 1);
        lines->setColumnStretch(1, 1);
        layout->addLayout(lines);
        connect(choice, &QRadioButton::toggled, this, [this, group, path](bool on) {
            if (on && !model_.advisor().keepCopy(candidate_.id, path))
                checkKeptCopy(*group);
        });
    }
    return box;
}

// A copy that cannot be kept (keeping it would free too little) leaves the choice as it was.
void CandidateRow::checkKeptCopy(QButtonGroup& group) {
    QList<QAbstractButton*> choices = group.buttons();
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (candidate_.copies[static_cast<size_t>(i)].kept) {
            QSignalBlocker quiet(choices[i]);
            choices[i]->setChecked(true);
        }
}

QString CandidateRow::chipText(const Candidate& candidate) {
    if (candidate.rung == Rung::review)
        return QStringLiteral("Your call");
    if (candidate.rung == Rung::lossless && !candidate.action.is<AdvisorAction::Guide>())
        return QStringLiteral("No loss");
    return {};
}

QString CandidateRow::sizeText(const Candidate& candidate) {
    QString size = bytesText(candidate.freed);
    return candidate.action.is<AdvisorAction::Guide>() ? QStringLiteral("Up to ") + size : size;
}

void CandidateRow::refreshTick() {
    QSignalBlocker quiet(tick_);
    tick_->setChecked(model_.advisor().checked().contains(candidate_.id));
}

void CandidateRow::fillMenu(const std::vector<CloudProvider>& providers) {
    std::vector<std::string> paths = candidate_.paths();
    QAction* showInMap = menu_->addAction(QStringLiteral("Show in Map"));
    QAction* reveal = menu_->addAction(linuxText("Show in Finder"));
    showInMap->setEnabled(!paths.empty());
    reveal->setEnabled(!paths.empty());
    connect(showInMap, &QAction::triggered, this,
            [this, paths] { model_.showPath(paths.front()); });
    connect(reveal, &QAction::triggered, this, [this, paths] { model_.revealPaths(paths); });

    // Only items that go to the Trash can be moved elsewhere instead.
    bool movable = !paths.empty() && !candidate_.blocked &&
                   (candidate_.action.is<AdvisorAction::Trash>() ||
                    candidate_.action.is<AdvisorAction::Archive>());
    if (movable) {
        for (const CloudProvider& provider : providers) {
            QAction* move = menu_->addAction(QStringLiteral("Move to ") +
                                             QString::fromStdString(provider.name) +
                                             QStringLiteral(" and Keep Online Only"));
            connect(move, &QAction::triggered, this, [this, provider] {
                model_.advisor().redirect(candidate_.id, ArchiveDestination::cloud(provider));
            });
        }
        connect(menu_->addAction(QStringLiteral("Move to Another Drive…")), &QAction::triggered,
                this, &CandidateRow::chooseDrive);
        if (model_.advisor().archiveOverrides().contains(candidate_.id))
            connect(menu_->addAction(QStringLiteral("Don’t Move")), &QAction::triggered, this,
                    [this] { model_.advisor().redirect(candidate_.id, std::nullopt); });
    }
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Hide This Suggestion")), &QAction::triggered, this,
            [this] { model_.advisor().hideCandidate(candidate_); });
    connect(menu_->addAction(QStringLiteral("Hide Suggestions Like This")), &QAction::triggered,
            this, [this] { model_.advisor().hideDetector(candidate_); });
}

void CandidateRow::chooseDrive() {
    QString title = QStringLiteral("Move to Another Drive");
    QString folder = QFileDialog::getExistingDirectory(this, title);
    if (folder.isEmpty())
        return;
    if (auto refusal = model_.advisor().redirectToDrive(candidate_, folder.toStdString()))
        QMessageBox::warning(this, title, QString::fromStdString(*refusal));
}

} // namespace tavelin
