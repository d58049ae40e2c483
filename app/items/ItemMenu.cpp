#include "items/ItemMenu.h"

#include "model/AppModel.h"
#include "widgets/Texts.h"

#include <QMenu>
#include <algorithm>

namespace tavelin::ItemMenu {

void fill(QMenu& menu, AppModel& model, const std::vector<Node::Ptr>& nodes) {
    if (nodes.empty())
        return;
    AppModel* target = &model;
    auto add = [&](const QString& title, auto run) {
        QObject::connect(menu.addAction(title), &QAction::triggered, target, std::move(run));
    };
    Node::Ptr first = nodes.front();
    if (first->isDirectory()) {
        add(QStringLiteral("Open"), [target, first] { target->activate(first); });
        add(QStringLiteral("Rescan"), [target, first] { target->rescan(first); });
    }
    if (nodes.size() == 1) {
        auto results = model.searchResults();
        if (std::find(results.begin(), results.end(), first) != results.end())
            add(QStringLiteral("Show in Map"), [target, first] { target->show(first); });
    }
    menu.addSeparator();
    add(linuxText("Show in Finder"), [target, nodes] { target->reveal(nodes); });
    if (!first->isPseudo())
        add(linuxText("Quick Look"), [target, first] { target->preview(*first); });
    add(QStringLiteral("Copy Path"), [target, nodes] { target->copyPaths(nodes); });
    menu.addSeparator();
    add(QStringLiteral("Move to Trash…"), [target, nodes] { target->askToTrash(nodes); });
    menu.actions().back()->setEnabled(model.applying().canTrashNow(nodes));
}

} // namespace tavelin::ItemMenu
