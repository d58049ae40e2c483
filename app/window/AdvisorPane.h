#pragma once

// The Advisor tab: what could go, grouped by category ("Around your computer") and by project,
// with the goal picker, the plan summary and the ticked steps. Before a scan, while a scan has
// found nothing settled yet, and when nothing is found, a message says so instead.

#include "model/AdvisorState.h"

#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tavelin {

class AppModel;
class CandidateRow;
class PaneMessage;
class RecentActionsList;

class AdvisorPane : public QWidget {
    Q_OBJECT
public:
    explicit AdvisorPane(AppModel& model, QWidget* parent = nullptr);

    const PaneMessage& message() const { return *message_; }
    bool showsList() const;
    QComboBox& goalPicker() const { return *goalPicker_; }
    QString headline() const;
    QString goalLine() const;
    // The texts of the list's headings, group headers and chips, top to bottom.
    QStringList listTexts() const;
    std::vector<CandidateRow*> rows() const;
    QPushButton& applyButton() const { return *apply_; }
    // The last apply or undo report; empty when there is none.
    QString reportLine() const;
    // The note over the suggestions of a scan read from a file; empty for a scan made here.
    QString fileNote() const;
    const RecentActionsList& recentActions() const { return *recent_; }

private:
    // The goal steps in the units sizes are shown in, then "Max safe".
    void fillGoalPicker();
    void refresh();
    void rebuildList();
    void refreshSummary();
    void refreshApplying();
    void addCategoryGroups(const AdvisorState::Layout& layout,
                           const std::vector<CloudProvider>& providers);
    void addProjectGroups(const AdvisorState::Layout& layout,
                          const std::vector<CloudProvider>& providers);
    void addHiddenEntries();
    void addHeading(const QString& text);

    AppModel& model_;
    PaneMessage* message_;
    QScrollArea* scroll_;
    QWidget* summary_;
    QComboBox* goalPicker_;
    QLabel* headline_;
    QLabel* caption_;
    QWidget* rungChips_;
    QLabel* goalLine_;
    QPushButton* apply_;
    QWidget* slowLine_;
    QLabel* report_;
    RecentActionsList* recent_;
    // For a scan read from a file: where its suggestions come from, and that none applies.
    QLabel* fileNote_;
    QWidget* list_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    // What the list shows, to rebuild it only when that changes.
    std::vector<std::string> shown_;
};

} // namespace tavelin
