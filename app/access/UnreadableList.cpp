#include "access/UnreadableList.h"

#include "model/AppModel.h"
#include "widgets/ReadProblem.h"
#include "widgets/Texts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavelin {

UnreadableList::UnreadableList(AppModel& model, const std::vector<const Node*>& folders,
                               QWidget* parent)
    : QDialog(parent)
    , list_(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Folders That Couldn’t Be Read"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("Reason")});
    list_->setRootIsDecorated(false);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    size_t listed = std::min(folders.size(), kMostListed);
    for (size_t i = 0; i < listed; ++i) {
        std::string path = folders[i]->path();
        auto* row =
            new QTreeWidgetItem(list_, {QString::fromStdString(path), ReadProblem::reason(path)});
        row->setToolTip(0, row->text(0));
        row->setData(0, Qt::UserRole, QByteArray::fromStdString(path));
    }
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    if (folders.size() > listed)
        layout->addWidget(new QLabel(QStringLiteral("And ") +
                                         countText(static_cast<int64_t>(folders.size() - listed)) +
                                         QStringLiteral(" more."),
                                     this));
    auto* heading = new QLabel(QStringLiteral("Why was this skipped?"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* why = new QLabel(ReadProblem::why(), this);
    why->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(why);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* reveal =
        buttons->addButton(linuxText("Show in Finder"), QDialogButtonBox::ActionRole);
    reveal->setEnabled(false);
    connect(list_, &QTreeWidget::itemSelectionChanged, reveal,
            [this, reveal] { reveal->setEnabled(!list_->selectedItems().isEmpty()); });
    AppModel* shown = &model;
    connect(reveal, &QPushButton::clicked, this, [this, shown] {
        std::vector<std::string> paths;
        for (const QTreeWidgetItem* row : list_->selectedItems())
            paths.push_back(row->data(0, Qt::UserRole).toByteArray().toStdString());
        shown->revealPaths(paths);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 480);
}

} // namespace tavelin
