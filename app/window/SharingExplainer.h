#pragma once

#include <QDialog>

namespace tavelin {

class AppModel;

// Explains why deleting can free less than an item's size, with an example from the shown tree.
class SharingExplainer : public QDialog {
    Q_OBJECT
public:
    explicit SharingExplainer(AppModel& model, QWidget* parent = nullptr);

    // The example sentence for a folder, or an empty text when the tree shares nothing.
    static QString exampleText(const AppModel& model);
};

} // namespace tavelin
