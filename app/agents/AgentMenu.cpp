#include "agents/AgentMenu.h"

#include "agents/AskAgentTip.h"
#include "agents/ShareConfirmation.h"
#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"

#include <QFileInfo>
#include <QMenu>

namespace tavelin {
namespace {

// The agent's own icon: its application's, else one the icon theme has under the agent's
// command (Gemini's, say), else a symbol for how the report goes.
QIcon targetIcon(const AgentTarget& target) {
    QString own = QString::fromStdString(target.appIcon);
    if (own.startsWith(QLatin1Char('/')) && QFileInfo::exists(own))
        return QIcon(own);
    if (!own.isEmpty() && QIcon::hasThemeIcon(own))
        return QIcon::fromTheme(own);
    if (const auto* terminal = std::get_if<AgentTarget::Terminal>(&target.handoff)) {
        QString command = QFileInfo(QString::fromStdString(terminal->executable)).fileName();
        if (!command.isEmpty() && QIcon::hasThemeIcon(command))
            return QIcon::fromTheme(command);
    }
    return symbolIcon(target.isTerminal() ? "terminal" : "bubble.left");
}

void addHeading(QMenu& menu, const QString& title, const QString& caption) {
    QAction* heading = menu.addAction(title);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setEnabled(false);
    menu.addAction(caption)->setEnabled(false);
}

} // namespace

AgentMenu::AgentMenu(AppModel& model, QWidget* parent)
    : QToolButton(parent)
    , model_(model)
    , menu_(new QMenu(this))
    , confirmation_(new ShareConfirmation(model, this))
    , tip_(new AskAgentTip(model.agents(), this)) {
    setIcon(symbolIcon("sparkles"));
    setText(QStringLiteral("Ask AI"));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setPopupMode(QToolButton::InstantPopup);
    setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, &AgentMenu::rebuild);
    connect(&model_, &AppModel::currentChanged, this, &AgentMenu::refresh);
    connect(&model_, &AppModel::sessionChanged, this, &AgentMenu::refresh);
    connect(&model_.agents(), &AgentsState::changed, this, &AgentMenu::refresh);
    rebuild();
    refresh();
}

void AgentMenu::rebuild() {
    menu_->clear();
    std::vector<AgentTarget> terminals;
    std::vector<AgentTarget> chats;
    for (const AgentTarget& target : model_.agents().agents())
        (target.isTerminal() ? terminals : chats).push_back(target);
    auto addTargets = [this](const std::vector<AgentTarget>& targets) {
        for (const AgentTarget& target : targets) {
            QAction* action = menu_->addAction(
                targetIcon(target), QString::fromStdString(target.name + "\t" + target.detail));
            action->setToolTip(QString::fromStdString(target.detail));
            connect(action, &QAction::triggered, &model_, [this, target] { model_.ask(target); });
        }
    };
    if (!terminals.empty()) {
        addHeading(*menu_, linuxText("On your Mac · recommended"),
                   linuxText("Opens in Terminal. Looks through your folders itself and asks "
                             "before changing anything."));
        addTargets(terminals);
    }
    if (!chats.empty()) {
        if (!terminals.empty())
            menu_->addSeparator();
        addHeading(*menu_, QStringLiteral("In a chat"),
                   QStringLiteral("Sends a summary of this scan."));
        addTargets(chats);
    }
    if (terminals.empty() && chats.empty())
        menu_
            ->addAction(linuxText("No AI agents found on this Mac. Copy the report and paste it "
                                  "into any AI chat."))
            ->setEnabled(false);
    menu_->addSeparator();
    QAction* copy =
        menu_->addAction(symbolIcon("doc.on.doc"), QStringLiteral("Copy Report and Prompt"));
    connect(copy, &QAction::triggered, &model_, [this] { model_.ask(std::nullopt); });
}

void AgentMenu::refresh() {
    bool hasTree = model_.session() && model_.session()->root();
    setEnabled(hasTree);
    std::string scope = model_.current() ? model_.current()->name : std::string();
    setToolTip(QStringLiteral("Ask Claude, Codex, Grok or another AI agent about ") +
               tavelin::quoted(scope.empty() ? "this folder" : scope) +
               QStringLiteral(": what to clear and how to organize it"));
    const AgentsState& agents = model_.agents();
    if (agents.isConfirmingShare() && !confirmation_->isVisible())
        confirmation_->open();
    if (agents.tipShown() && !tip_->isVisible() && isVisible())
        tip_->showBelow(this);
}

} // namespace tavelin
