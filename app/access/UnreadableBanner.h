#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;

namespace tavelin {

class AppModel;

// Above the map once a scan is done that could not read some folders, where the access banner
// does not already say so: how many, the way to their list with the reason for each, and why.
// Dismissing it closes it for the shown scan, as the access banner's Dismiss does.
class UnreadableBanner : public QWidget {
    Q_OBJECT
public:
    explicit UnreadableBanner(AppModel& model, QWidget* parent = nullptr);

    // "1 folder couldn’t be read", "1,234 folders couldn’t be read".
    static QString headline(int64_t folders);
    const QLabel& headlineLabel() const { return *headline_; }
    // Opens the list of the folders, with why they were left out.
    void showList();

private:
    void refresh();

    AppModel& model_;
    QLabel* headline_;
};

} // namespace tavelin
