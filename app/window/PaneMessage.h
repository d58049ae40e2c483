#pragma once

#include <QWidget>

class QLabel;

namespace tavelin {

// An inspector pane's empty state: a symbol, a title and a line of text, centred.
class PaneMessage : public QWidget {
    Q_OBJECT
public:
    explicit PaneMessage(QWidget* parent = nullptr);

    void set(const QString& title, const char* symbol, const QString& text);
    QString title() const;
    QString text() const;

private:
    QLabel* symbol_;
    QLabel* title_;
    QLabel* text_;
};

} // namespace tavelin
