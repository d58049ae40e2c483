#include "window/ItemMenu.h"

#include "AppModel.h"

#include <QMenu>
#include <algorithm>

namespace tavelin::ItemMenu {

void fill(QMenu& menu, AppModel& model, const std::vector<Node::Ptr>& nodes) {
    if (nodes.empty())
        return;
    AppModel* target = &model;
    Node::Ptr first = nodes.front();
    if (first->isDirectory()) {
        QObject::connect(menu.addAction(QStringLiteral("Open")), &QAction::triggered, target,
                         [target, first] { target->activate(first); });
        QObject::connect(menu.addAction(QStringLiteral("Rescan")), &QAction::triggered, target,
                         [target, first] { target->rescan(first); });
    }
    if (nodes.size() == 1) {
        auto results = model.searchResults();
        if (std::find(results.begin(), results.end(), first) != results.end())
            QObject::connect(menu.addAction(QStringLiteral("Show in Map")), &QAction::triggered,
                             target, [target, first] { target->show(first); });
    }
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Show in File Manager")), &QAction::triggered,
                     target, [target, nodes] { target->reveal(nodes); });
    QObject::connect(menu.addAction(QStringLiteral("Copy Path")), &QAction::triggered, target,
                     [target, nodes] { target->copyPaths(nodes); });
}

} // namespace tavelin::ItemMenu
