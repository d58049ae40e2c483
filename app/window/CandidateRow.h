#pragma once

// One suggestion in the advisor pane: its tick, title with its rung's chip, the size it frees,
// the evidence lines as chips, the row menu, and what the step does where the user should see
// it: the command a tool step runs, a guide's instructions (with "Open" when it has a place to
// go), and every copy of a set of duplicates with the choice of the one that stays.

#include "advisor/Candidate.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QMenu;
class QToolButton;

namespace tavelin {

class AppModel;

class CandidateRow : public QWidget {
    Q_OBJECT
public:
    // `providers` are the cloud services offered as places to move the items to.
    CandidateRow(AppModel& model, Candidate candidate, const std::vector<CloudProvider>& providers,
                 QWidget* parent = nullptr);

    const Candidate& candidate() const { return candidate_; }
    QCheckBox& tick() const { return *tick_; }
    QMenu& menu() const { return *menu_; }
    // Follows the model's ticks without telling the model back.
    void refreshTick();

    // The chip after the title: "Your call", "No loss", or none.
    static QString chipText(const Candidate& candidate);
    // The size: what it frees, "Up to" it for guides.
    static QString sizeText(const Candidate& candidate);

private:
    QLabel* caption(const QString& text);
    QWidget* indented(QWidget* widget);
    QWidget* commandLine(const ToolCommand& command);
    QWidget* copyChoice();
    void checkKeptCopy(QButtonGroup& group);
    void fillMenu(const std::vector<CloudProvider>& providers);
    void chooseDrive();

    AppModel& model_;
    Candidate candidate_;
    QCheckBox* tick_;
    QMenu* menu_;
};

} // namespace tavelin
