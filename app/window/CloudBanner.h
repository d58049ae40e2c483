#pragma once

#include <QWidget>

class QLabel;

namespace tavelin {

class AppModel;

// Above the map while the shown folder lies in a cloud provider's folder: its files take space
// here and are kept by the provider, and deleting them here deletes them there too. Linux sync
// clients cannot make files online-only, so nothing is offered to do it.
class CloudBanner : public QWidget {
    Q_OBJECT
public:
    explicit CloudBanner(AppModel& model, QWidget* parent = nullptr);

    const QLabel& message() const { return *message_; }

private:
    void refresh();

    AppModel& model_;
    QLabel* message_;
};

} // namespace tavelin
