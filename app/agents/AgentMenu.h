#pragma once

// The toolbar's "Ask AI" button: its menu lists the agents found, terminal agents first, and
// always offers to copy the report. It opens the confirmation sheet when the model asks for one,
// and shows the agent tip once after a scan.

#include <QToolButton>

class QMenu;

namespace tavelin {

class AppModel;
class AskAgentTip;
class ShareConfirmation;

class AgentMenu : public QToolButton {
    Q_OBJECT
public:
    explicit AgentMenu(AppModel& model, QWidget* parent = nullptr);

    QMenu* picker() const { return menu_; }
    ShareConfirmation* confirmation() const { return confirmation_; }
    AskAgentTip* tip() const { return tip_; }

    // Fills the menu from the agents found.
    void rebuild();

private:
    void refresh();

    AppModel& model_;
    QMenu* menu_;
    ShareConfirmation* confirmation_;
    AskAgentTip* tip_;
};

} // namespace tavelin
