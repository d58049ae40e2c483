#pragma once

// The "Recent actions" part of the Advisor tab: the twelve newest applied steps and removals,
// each with what it freed and when, and a "Put Back" button while it can still be undone; an
// entry whose items left the Trash says so instead.

#include <QWidget>

class QPushButton;
class QVBoxLayout;

namespace tavelin {

class AppModel;

class RecentActionsList : public QWidget {
    Q_OBJECT
public:
    static constexpr size_t kShown = 12;

    explicit RecentActionsList(AppModel& model, QWidget* parent = nullptr);

    // Each row's title, caption, why it cannot be put back (when it cannot), and right-hand
    // text ("Put back", "Put Back" or nothing), joined by "|".
    QStringList rowTexts() const;
    // The "Put Back" buttons, newest first.
    std::vector<QPushButton*> putBackButtons() const;

private:
    void refresh();

    AppModel& model_;
    QWidget* rows_;
    QVBoxLayout* rowsLayout_;
};

} // namespace tavelin
