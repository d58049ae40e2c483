#include "shell/ExcludedFoldersSection.h"

#include "privacy/Privacy.h"
#include "scan/Exclusions.h"
#include "util/Paths.h"
#include "widgets/CaptionLabel.h"
#include "widgets/ExcludedFolders.h"
#include "widgets/FolderChooser.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavelin {

ExcludedFoldersSection::ExcludedFoldersSection(QWidget* parent)
    : QGroupBox(QStringLiteral("Excluded folders"), parent)
    , list_(new QListWidget(this))
    , pattern_(new QLineEdit(this))
    , remove_(new QPushButton(QStringLiteral("Remove"), this))
    , problem_(captionLabel(QStringLiteral("Type a name such as node_modules, a pattern such as "
                                           "*.iso, or a folder’s full path."),
                            this)) {
    for (const std::string& entry : ExcludedFolders::stored())
        list_->addItem(QString::fromStdString(entry));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setMaximumHeight(120);
    pattern_->setPlaceholderText(QStringLiteral("Name or pattern, then Return"));
    problem_->hide();
    auto* choose = new QPushButton(QStringLiteral("Add…"), this);
    remove_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(remove_);
    buttons->addWidget(pattern_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addWidget(problem_);
    layout->addWidget(captionLabel(
        QStringLiteral("Folders and files with these names or paths are left out of every scan, "
                       "the report and the command line. Changes apply to the next scan."),
        this));

    connect(choose, &QPushButton::clicked, this, &ExcludedFoldersSection::addChosenFolder);
    connect(remove_, &QPushButton::clicked, this, &ExcludedFoldersSection::removeSelected);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(pattern_, &QLineEdit::returnPressed, this, [this] {
        if (add(pattern_->text()))
            pattern_->clear();
    });
    connect(pattern_, &QLineEdit::textEdited, problem_, &QLabel::hide);
}

bool ExcludedFoldersSection::add(const QString& typed) {
    std::optional<std::string> entry =
        Exclusions::entryFrom(expandedHome(typed.trimmed().toStdString(), Privacy::userHome()));
    problem_->setVisible(!entry);
    if (!entry)
        return false;
    QString text = QString::fromStdString(*entry);
    if (list_->findItems(text, Qt::MatchExactly).isEmpty()) {
        list_->addItem(text);
        store();
    }
    return true;
}

void ExcludedFoldersSection::addChosenFolder() {
    if (auto folder =
            askForFolder(window(), QStringLiteral("Choose a folder to leave out of scans."),
                         QStringLiteral("Exclude")))
        add(QString::fromStdString(*folder));
}

void ExcludedFoldersSection::removeSelected() {
    qDeleteAll(list_->selectedItems());
    store();
}

void ExcludedFoldersSection::store() const {
    std::vector<std::string> entries;
    for (int row = 0; row < list_->count(); ++row)
        entries.push_back(list_->item(row)->text().toStdString());
    ExcludedFolders::store(entries);
}

} // namespace tavelin
