#include "window/RecentActionsList.h"

#include "model/AppModel.h"
#include "widgets/Texts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavelin {
namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    return label;
}

QString timeOf(Date date) {
    QDateTime moment = QDateTime::fromMSecsSinceEpoch(wholeMillisecondsSince1970(date));
    return QLocale().toString(moment.time(), QLocale::ShortFormat);
}

} // namespace

RecentActionsList::RecentActionsList(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , rows_(new QWidget(this))
    , rowsLayout_(new QVBoxLayout(rows_)) {
    auto* title = new QLabel(QStringLiteral("Recent actions"), this);
    title->setObjectName(QStringLiteral("heading"));
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->addWidget(title);
    layout->addWidget(rows_);
    connect(&model_.applying(), &ApplyState::changed, this, &RecentActionsList::refresh);
    refresh();
}

void RecentActionsList::refresh() {
    const ApplyState& state = model_.applying();
    const std::vector<RecentAction>& actions = state.recentActions();
    setVisible(!actions.empty());
    // A row may hold the button whose click asked for this: it goes once that returns.
    while (QLayoutItem* item = rowsLayout_->takeAt(0)) {
        QWidget* old = item->widget();
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
        delete item;
    }
    for (size_t i = 0; i < std::min(actions.size(), kShown); ++i) {
        const RecentAction& action = actions[i];
        auto* row = new QWidget(rows_);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        auto* name = new QLabel(QString::fromStdString(action.title), row);
        name->setObjectName(QStringLiteral("title"));
        texts->addWidget(name);
        QLabel* detail =
            caption(bytesText(action.freed) + QStringLiteral(" · ") + timeOf(action.date), row);
        detail->setObjectName(QStringLiteral("caption"));
        texts->addWidget(detail);
        if (action.goneFromTrash && !action.undone) {
            QLabel* why =
                caption(QStringLiteral("No longer in the Trash, so it can’t be put back."), row);
            why->setObjectName(QStringLiteral("why"));
            why->setWordWrap(true);
            texts->addWidget(why);
        }
        line->addLayout(texts, 1);
        if (action.undone) {
            QLabel* done = caption(QStringLiteral("Put back"), row);
            done->setObjectName(QStringLiteral("state"));
            line->addWidget(done);
        } else if (action.canPutBack()) {
            auto* button = new QPushButton(QStringLiteral("Put Back"), row);
            button->setAccessibleName(QStringLiteral("Put Back ") + name->text());
            // One undo at a time per entry: a second would find the place taken by the first.
            button->setEnabled(!state.isUndoing(action.id));
            std::string id = action.id;
            connect(button, &QPushButton::clicked, this, [this, id] { model_.undo(id); });
            line->addWidget(button);
        }
        rowsLayout_->addWidget(row);
    }
}

QStringList RecentActionsList::rowTexts() const {
    QStringList texts;
    for (QWidget* row : rows_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        QStringList parts;
        for (const char* part : {"title", "caption", "why", "state"})
            if (auto* label = row->findChild<QLabel*>(QLatin1String(part)))
                parts << label->text();
        if (auto* button = row->findChild<QPushButton*>())
            parts << button->text();
        texts << parts.join(QLatin1Char('|'));
    }
    return texts;
}

std::vector<QPushButton*> RecentActionsList::putBackButtons() const {
    std::vector<QPushButton*> buttons;
    for (QWidget* row : rows_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (auto* button = row->findChild<QPushButton*>())
            buttons.push_back(button);
    return buttons;
}

} // namespace tavelin
