#pragma once

// The settings' list of what every scan leaves out: folders added with a chooser, names and
// patterns typed, each removable. Every change is stored at once and applies to the next scan.

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavelin {

class ExcludedFoldersSection : public QGroupBox {
    Q_OBJECT
public:
    explicit ExcludedFoldersSection(QWidget* parent = nullptr);

    QListWidget& list() const { return *list_; }
    QLineEdit& pattern() const { return *pattern_; }
    QPushButton& remove() const { return *remove_; }
    // Says what a typed entry should look like after one that cannot be used.
    QLabel& problem() const { return *problem_; }

    // Adds a typed or chosen entry ("~/" stands for the home folder); false, with the problem
    // shown, when it is neither a name pattern nor an absolute path.
    bool add(const QString& typed);

private:
    void addChosenFolder();
    void removeSelected();
    void store() const;

    QListWidget* list_;
    QLineEdit* pattern_;
    QPushButton* remove_;
    QLabel* problem_;
};

} // namespace tavelin
