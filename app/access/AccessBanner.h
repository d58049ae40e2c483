#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;

namespace tavelin {

class AppModel;

// Above the map while the shown scan left protected folders out or could not read some items,
// and access is not granted: what was missed, and the way to access.
class AccessBanner : public QWidget {
    Q_OBJECT
public:
    explicit AccessBanner(AppModel& model, QWidget* parent = nullptr);

    // "1 protected folder skipped · 1,234 items couldn’t be read", with only the parts that apply.
    static QString headline(int64_t skippedFolders, int64_t unreadableItems);
    const QLabel& headlineLabel() const { return *headline_; }

private:
    void refresh();

    AppModel& model_;
    QLabel* headline_;
};

} // namespace tavelin
