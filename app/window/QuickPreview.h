#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace tavelin {

class AppModel;

// A small window that previews the item at the model's preview location: pictures scaled to
// fit, the start of text files, otherwise the item's icon, name and size. Closing it clears the
// preview location; clearing the location closes it.
class QuickPreview : public QWidget {
    Q_OBJECT
public:
    explicit QuickPreview(AppModel& model, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void follow();
    void showItem(const QString& path);

    AppModel& model_;
    QStackedWidget* pages_;
    QLabel* picture_;
    QPlainTextEdit* text_;
    QWidget* summary_;
    QLabel* icon_;
    QLabel* caption_;
};

} // namespace tavelin
