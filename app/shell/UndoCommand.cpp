#include "shell/UndoCommand.h"

#include "executor/Executor.h"
#include "executor/UndoJournal.h"
#include "util/Format.h"
#include "util/Text.h"

#include <QDateTime>
#include <algorithm>
#include <ostream>

namespace tavelin::UndoCommand {
namespace {

constexpr int kFailed = 3;
constexpr int kUnknownId = 2;
constexpr int kNothing = 1;

bool undoable(const RecentAction& action) {
    return action.undo && !action.undone;
}

// Whether something of the batch is still where it can be put back from.
bool canPutBack(const UndoBatch& batch) {
    return std::ranges::any_of(batch.actions, [](const RecentAction& action) {
        return undoable(action) && Executor::canUndo(*action.undo);
    });
}

std::string state(const StoredBatch& stored) {
    if (!stored.batch)
        return "unreadable";
    if (canPutBack(*stored.batch))
        return "can be put back";
    bool allUndone = std::ranges::all_of(stored.batch->actions, [](const RecentAction& action) {
        return action.undone || !action.undo;
    });
    return allUndone && std::ranges::any_of(stored.batch->actions, &RecentAction::undone)
               ? "put back"
               : "can’t be put back";
}

std::string dateText(Date date) {
    qint64 seconds =
        std::chrono::duration_cast<std::chrono::seconds>(date.time_since_epoch()).count();
    return QDateTime::fromSecsSinceEpoch(seconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        .toStdString();
}

std::string titles(const UndoBatch& batch) {
    std::string text;
    for (const RecentAction& action : batch.actions)
        text += (text.empty() ? "" : ", ") + singleLine(action.title);
    return text;
}

} // namespace

int list(const UndoJournal& journal, std::ostream& output) {
    std::vector<StoredBatch> batches = journal.list();
    if (batches.empty())
        output << "No batch has been applied yet.\n";
    for (const StoredBatch& stored : batches) {
        output << stored.id << "  " << dateText(stored.date) << "  " << state(stored) << "  ";
        if (stored.batch)
            output << titles(*stored.batch) << "\n";
        else
            output << singleLine(stored.error) << " (" << singleLine(stored.file.string()) << ")\n";
    }
    return 0;
}

int undo(const UndoJournal& journal, const std::string& id, std::ostream& output,
         std::ostream& errors) {
    std::optional<StoredBatch> stored;
    if (id.empty()) {
        for (StoredBatch& each : journal.list())
            if (each.batch && canPutBack(*each.batch)) {
                stored = std::move(each);
                break;
            }
        if (!stored) {
            errors << "tavelin: nothing can be put back (see tavelin --undo --list)\n";
            return kNothing;
        }
    } else {
        stored = journal.find(id);
        if (!stored) {
            errors << "tavelin: no batch “" << singleLine(id)
                   << "” is kept (see tavelin --undo --list)\n";
            return kUnknownId;
        }
        if (!stored->batch) {
            errors << "tavelin: the record of batch " << stored->id << " can’t be read ("
                   << singleLine(stored->error) << "); it is left as it is\n";
            return kNothing;
        }
        if (!canPutBack(*stored->batch)) {
            errors << "tavelin: nothing of batch " << stored->id << " can be put back\n";
            return kNothing;
        }
    }
    ExecutorEnvironment env = ExecutorEnvironment::live();
    std::set<std::string> putBack;
    bool failed = false;
    // The latest step first, as the steps ran the other way.
    for (auto action = stored->batch->actions.rbegin(); action != stored->batch->actions.rend();
         ++action) {
        if (!undoable(*action))
            continue;
        if (std::optional<std::string> error = Executor::undo(*action->undo, env)) {
            output << singleLine(action->title) << ": " << singleLine(*error) << "\n";
            failed = true;
        } else {
            output << "Put back “" << singleLine(action->title) << "”.\n";
            putBack.insert(action->id);
        }
    }
    if (std::error_code error = journal.markUndone(stored->id, putBack))
        errors << "tavelin: the undo record couldn’t be updated: " << error.message() << "\n";
    return failed ? kFailed : 0;
}

} // namespace tavelin::UndoCommand
