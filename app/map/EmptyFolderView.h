#pragma once

// What the map shows when the current folder yields no tiles: a folder still being scanned,
// one that could not be read, or one where nothing takes up space.

#include "scan/Node.h"

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace tavelin {

class EmptyFolderView : public QWidget {
    Q_OBJECT
public:
    enum class State { scanning, unreadable, empty };

    struct Texts {
        QString title;
        QString description;
        const char* symbol = nullptr; // none while scanning: a progress indicator shows
    };

    static State stateOf(const Node& folder);
    static Texts textsFor(const Node& folder);

    explicit EmptyFolderView(QWidget* parent = nullptr);

    // Shows and fills in the state of this folder; call again as it changes (its size while
    // scanning).
    void present(const Node& folder);

    State state() const { return state_; }
    QString title() const;
    QString description() const;

private:
    State state_ = State::empty;
    QProgressBar* progress_;
    QLabel* symbol_;
    QLabel* title_;
    QLabel* description_;
};

} // namespace tavelin
