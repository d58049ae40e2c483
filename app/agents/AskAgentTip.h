#pragma once

// The one-time tip that points to the agent menu after the first finished scan.

#include <QFrame>

class QLabel;
class QToolButton;

namespace tavelin {

class AgentsState;

class AskAgentTip : public QFrame {
    Q_OBJECT
public:
    AskAgentTip(AgentsState& agents, QWidget* parent = nullptr);

    // Shows the tip below `anchor`.
    void showBelow(QWidget* anchor);
    QLabel* title() const { return title_; }
    QLabel* message() const { return message_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    AgentsState& agents_;
    QLabel* title_;
    QLabel* message_;
};

} // namespace tavelin
