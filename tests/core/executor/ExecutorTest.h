#pragma once

// What the executor suites share: a temporary tree to act on, the live environment and a home
// Trash emptied before each test.

#include "executor/Executor.h"
#include "support/TrashRecords.h"
#include "support/TreeTest.h"

namespace tavelin::test {

using Paths = std::vector<std::string>;

struct ExecutorTest : TreeTest {
    void SetUp() override { clearHomeTrash(); }

    // What a trashing step recorded for its undo.
    static const std::vector<TrashedItem>& trashedItems(const ActionResult& result) {
        return std::get<UndoRecord::Trashed>(result.undo->value).items;
    }

    // A result that did nothing but report `error`.
    static ActionResult failed(std::string error) { return {{}, 0, {}, std::move(error), {}, {}}; }

    ExecutorEnvironment env = ExecutorEnvironment::live();
};

} // namespace tavelin::test
