#include "window/ShortcutsWindow.h"

#include "widgets/Texts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavelin {
namespace {

QString withoutMnemonic(QString title) {
    return title.remove(QLatin1Char('&'));
}

QString keysText(const QList<QKeySequence>& shortcuts) {
    QStringList keys;
    for (const QKeySequence& shortcut : shortcuts)
        keys << shortcut.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

} // namespace

std::vector<ShortcutsWindow::Row> ShortcutsWindow::rows(const QMenuBar& menus) {
    std::vector<Row> rows;
    for (const QAction* entry : menus.actions()) {
        const QMenu* menu = entry->menu();
        if (!menu)
            continue;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator() && !action->shortcuts().isEmpty())
                rows.push_back({withoutMnemonic(menu->title()), withoutMnemonic(action->text()),
                                keysText(action->shortcuts())});
    }
    const QString table = QStringLiteral("In the table");
    rows.push_back({table, QStringLiteral("Open"), keysText({QKeySequence(Qt::Key_Return)})});
    rows.push_back({table, linuxText("Quick Look"), keysText({QKeySequence(Qt::Key_Space)})});
    rows.push_back(
        {table, QStringLiteral("Move to Trash"), keysText({QKeySequence(Qt::Key_Delete)})});
    rows.push_back({QStringLiteral("In the search field"),
                    QStringLiteral("Clear the search, then leave it"),
                    keysText({QKeySequence(Qt::Key_Escape)})});
    return rows;
}

ShortcutsWindow::ShortcutsWindow(const QMenuBar& menus, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    auto* list = new QTreeWidget(this);
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Keys")});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    QTreeWidgetItem* group = nullptr;
    for (const Row& row : rows(menus)) {
        if (!group || group->text(0) != row.group) {
            group = new QTreeWidgetItem(list, {row.group});
            QFont bold = group->font(0);
            bold.setBold(true);
            group->setFont(0, bold);
            group->setFirstColumnSpanned(true);
        }
        new QTreeWidgetItem(group, {row.title, row.keys});
    }
    list->expandAll();
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(480, 560);
}

} // namespace tavelin
