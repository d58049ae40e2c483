#include "window/CandidateRow.h"

#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/Chip.h"
#include "window/ElidedLabel.h"
#include "window/FlowLayout.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
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
    if (const auto* guide = std::get_if<AdvisorAction::Guide>(&candidate_.action.value)) {
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
        auto* chip = new ElidedLabel(line, Qt::ElideRight, this);
        styleAsChip(chip, std::nullopt);
        // The flow gives a chip the width it asks for, up to the line's.
        chip->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
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

    refreshTick();
    connect(tick_, &QCheckBox::toggled, this,
            [this](bool on) { model_.advisor().setChecked(candidate_.id, on); });
    fillMenu(providers);
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
