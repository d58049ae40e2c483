#include "window/ChangesPane.h"

#include "model/AppModel.h"
#include "widgets/Texts.h"
#include "window/ChangeRow.h"
#include "window/DateText.h"
#include "window/PaneMessage.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdlib>

namespace tavelin {
namespace {

// Until a scan finishes, and its previous record is read, there is nothing to compare.
void showWaiting(PaneMessage& message) {
    message.set(QStringLiteral("Comparing After the Scan"), "hourglass",
                QStringLiteral("What grew or shrank shows here when the scan finishes."));
}

} // namespace

ChangesPane::ChangesPane(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , message_(new PaneMessage(this))
    , compared_(new QWidget(this))
    , headline_(new QLabel(compared_))
    , since_(new QLabel(compared_))
    , bodyMessage_(new PaneMessage(compared_))
    , list_(new QScrollArea(compared_))
    , rowsLayout_(new QVBoxLayout) {
    QFont headlineFont = headline_->font();
    headlineFont.setBold(true);
    headlineFont.setPointSizeF(headlineFont.pointSizeF() * 1.15);
    headline_->setFont(headlineFont);
    since_->setWordWrap(true);

    auto* rows = new QWidget(list_);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    auto* rowsColumn = new QVBoxLayout(rows);
    rowsColumn->setContentsMargins(0, 0, 0, 0);
    rowsColumn->addLayout(rowsLayout_);
    rowsColumn->addStretch();
    list_->setWidget(rows);
    list_->setWidgetResizable(true);
    list_->setFrameShape(QFrame::NoFrame);

    auto* comparedLayout = new QVBoxLayout(compared_);
    comparedLayout->setContentsMargins(0, 0, 0, 0);
    comparedLayout->addWidget(headline_);
    comparedLayout->addWidget(since_);
    comparedLayout->addWidget(bodyMessage_, 1);
    comparedLayout->addWidget(list_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(compared_);

    for (auto signal :
         {&AppModel::sessionChanged, &AppModel::versionChanged, &AppModel::isScanningChanged})
        connect(&model_, signal, this, &ChangesPane::refresh);
    connect(&model_.history(), &HistoryComparison::changed, this, &ChangesPane::refresh);
    refresh();
}

void ChangesPane::refresh() {
    const HistoryComparison& history = model_.history();
    bool hasTree = static_cast<bool>(model_.session());
    bool compares = hasTree && history.previousRecord();
    message_->setVisible(!compares);
    compared_->setVisible(compares);
    if (!hasTree) {
        message_->set(QStringLiteral("Nothing Scanned"), "clock.arrow.circlepath",
                      QStringLiteral("Scan a disk or folder to track how it changes."));
        return;
    }
    if (!compares && history.isBusy()) {
        showWaiting(*message_);
        return;
    }
    if (!compares) {
        message_->set(
            QStringLiteral("First Scan Here"), "clock.arrow.circlepath",
            QStringLiteral(
                "Tavelin remembers this scan. Next time, what grew or shrank since shows here."));
        return;
    }
    refreshHeader();
    refreshRows();
}

void ChangesPane::refreshHeader() {
    const HistoryComparison& history = model_.history();
    const ScanRecord& previous = *history.previousRecord();
    // A stopped scan measured only part of the tree: no difference to state.
    headline_->setVisible(model_.isScanning() || history.changesCompared());
    if (model_.isScanning()) {
        headline_->setText(QStringLiteral("Scanning…"));
    } else if (history.changesCompared()) {
        int64_t difference = model_.session()->root()->size - previous.size;
        headline_->setText((difference < 0 ? QStringLiteral("Shrank ") : QStringLiteral("Grew ")) +
                           bytesText(std::llabs(difference)));
    } else {
        headline_->clear();
    }
    since_->setText(QStringLiteral("Since the scan ") +
                    DateText::relative(previous.date, std::chrono::system_clock::now()) +
                    QStringLiteral(" (") + DateText::abbreviated(previous.date) +
                    QStringLiteral(")"));
}

void ChangesPane::refreshRows() {
    for (ChangeRow* row : rows()) {
        row->hide();
        row->deleteLater();
    }
    while (rowsLayout_->count() > 0)
        delete rowsLayout_->takeAt(0);
    const HistoryComparison& history = model_.history();
    bool compared = history.changesCompared();
    bool listed = compared && !history.changes().empty();
    bodyMessage_->setVisible(!listed);
    list_->setVisible(listed);
    // Until a scan finishes there is nothing to compare; a stopped scan never will.
    if (!compared) {
        showWaiting(*bodyMessage_);
        return;
    }
    if (!listed) {
        bodyMessage_->set(QStringLiteral("Nothing Moved Much"), "equal.circle",
                          QStringLiteral("No folder grew or shrank by 50 MB or more."));
        return;
    }
    for (const Change& change : history.changes())
        rowsLayout_->addWidget(new ChangeRow(model_, change, model_.exists(change.path)));
}

QString ChangesPane::headline() const {
    return headline_->text();
}

QString ChangesPane::since() const {
    return since_->text();
}

std::vector<ChangeRow*> ChangesPane::rows() const {
    std::vector<ChangeRow*> found;
    for (int at = 0; at < rowsLayout_->count(); ++at)
        if (auto* row = qobject_cast<ChangeRow*>(rowsLayout_->itemAt(at)->widget()))
            found.push_back(row);
    return found;
}

} // namespace tavelin
