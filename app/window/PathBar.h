#pragma once

#include <QWidget>

class QHBoxLayout;

namespace tavelin {

class AppModel;

// The folders from the scanned root down to the shown one; clicking one opens it.
class PathBar : public QWidget {
    Q_OBJECT
public:
    explicit PathBar(AppModel& model, QWidget* parent = nullptr);

private:
    void rebuild();

    AppModel& model_;
    QHBoxLayout* layout_;
};

} // namespace tavelin
