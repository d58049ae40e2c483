#pragma once

// The inspector's Disk tab: where the whole scanned disk's space goes, as a bar of the user's
// files, the system and the free space, then sections of value rows, the local snapshots with
// their deletion, and the free space. Before a whole-disk scan, while loading and when the
// disk's layout could not be read, it says so instead.

#include "diskinfo/DiskBreakdown.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QAbstractButton;
class QLabel;
class QMessageBox;
class QScrollArea;
class QVBoxLayout;

namespace tavelin {

class AppModel;
class PaneMessage;
class UsageBar;

class DiskPane : public QWidget {
    Q_OBJECT
public:
    explicit DiskPane(AppModel& model, QWidget* parent = nullptr);

    // A volume's row title, by its first role.
    static QString label(const DiskBreakdown::Volume& volume);
    // The local snapshots' line: how many, since when, or why there are none to show.
    static QString snapshotLine(const DiskBreakdown& breakdown);

    const PaneMessage& message() const { return *message_; }
    bool showsProgress() const;
    bool showsDetails() const;
    const UsageBar* bar() const { return bar_; }
    // The shown byte count of the row titled `title`; empty when there is no such row.
    QString rowValue(const QString& title) const;
    std::vector<QString> rowTitles() const;
    // The snapshot section's texts, top to bottom.
    std::vector<QString> snapshotTexts() const;
    QAbstractButton* deleteButton() const { return deleteButton_; }
    // The open confirmation, if any.
    QMessageBox* confirmation() const { return confirmation_; }

private:
    struct Row {
        QLabel* title;
        QLabel* value;
    };

    void refresh();
    void build(const DiskBreakdown& breakdown);
    void updateFound();
    void section(const QString& title, const char* symbol);
    void row(const QString& title, int64_t bytes, bool secondary = false);
    void note(const QString& text);
    void addSnapshots(const DiskBreakdown& breakdown);
    void confirmDeletion();

    AppModel& model_;
    PaneMessage* message_;
    QWidget* progress_;
    QScrollArea* details_;
    QWidget* content_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    UsageBar* bar_ = nullptr;
    QLabel* found_ = nullptr;
    QAbstractButton* deleteButton_ = nullptr;
    QMessageBox* confirmation_ = nullptr;
    std::vector<Row> rows_;
    std::vector<QLabel*> snapshotTexts_;
};

} // namespace tavelin
