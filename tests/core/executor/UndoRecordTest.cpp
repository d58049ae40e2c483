#include "executor/UndoRecord.h"

#include "executor/RecentAction.h"
#include "executor/UndoJournal.h"
#include "support/TreeTest.h"

#include <gtest/gtest.h>
#include <unordered_set>

using namespace tavelin;

namespace {

const TrashedItem kItem{"/home/ann/a \"b\".txt", "/home/ann/.local/share/Trash/files/a \"b\".txt"};

} // namespace

TEST(UndoRecord, EncodesEachCaseExactlyAndDecodesWhatItEncodes) {
    EXPECT_EQ(
        UndoRecord::trashed({kItem}).encoded(),
        R"({"trashed":{"_0":[{"original":"/home/ann/a \"b\".txt","trashed":"/home/ann/.local/share/Trash/files/a \"b\".txt"}]}})");
    EXPECT_EQ(
        UndoRecord::archived({"/media/usb/a"}, {{"/home/ann/a", "/t/a"}}).encoded(),
        R"({"archived":{"copies":["/media/usb/a"],"trashed":[{"original":"/home/ann/a","trashed":"/t/a"}]}})");
    EXPECT_EQ(UndoRecord::madeOnlineOnly({"/c/x", "/c/y"}).encoded(),
              R"({"madeOnlineOnly":{"_0":["/c/x","/c/y"]}})");
    // Paths that are not UTF-8 cannot be encoded.
    EXPECT_FALSE(UndoRecord::trashed({{"/bad\xFF", "/t/bad\xFF"}}).encoded() ||
                 UndoRecord::archived({"/d/\xC3"}, {}).encoded() ||
                 UndoRecord::madeOnlineOnly({"/\xFE"}).encoded());

    const UndoRecord records[] = {
        UndoRecord::trashed({kItem, {"/a\nb", "/t/a\nb"}}),
        UndoRecord::archived({"/d/1", "/d/2"}, {{"/1", "/t/1"}, {"/2", "/t/2"}}),
        UndoRecord::madeOnlineOnly({"/c/caf\u00E9"}),
        UndoRecord::trashed({}),
    };
    std::unordered_set<UndoRecord> distinct;
    for (const UndoRecord& record : records) {
        auto text = record.encoded();
        ASSERT_TRUE(text);
        UndoRecordDecoding decoding = UndoRecord::decoded(*text);
        ASSERT_TRUE(decoding.record) << decoding.error;
        EXPECT_EQ(*decoding.record, record);
        distinct.insert(record);
    }
    EXPECT_EQ(distinct.size(), std::size(records));
    // Keys beside the case and the payload are ignored.
    auto extra = UndoRecord::decoded(R"({"note":1,"madeOnlineOnly":{"_0":["/x"],"more":true}})");
    EXPECT_EQ(extra.record, UndoRecord::madeOnlineOnly({"/x"}));
}

TEST(UndoRecord, RejectsMalformedRecordsWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"trashed":{"_0":[]},"archived":{"copies":[],"trashed":[]}})",
         "Invalid number of keys found, expected one."},
        {R"({"deleted":{"_0":[]}})", "Invalid number of keys found, expected one."},
        {R"({"trashed":)", "The undo record isn’t valid JSON."},
        {R"(["trashed"])", "The undo record isn’t a JSON object."},
        {R"({"trashed":[]})", "The “trashed” record isn’t a JSON object."},
        {R"({"trashed":{}})", "“_0” of the “trashed” record isn’t a list of trashed items."},
        {R"({"trashed":{"_0":[{"original":"/a"}]}})",
         "“_0” of the “trashed” record isn’t a list of trashed items."},
        {R"({"trashed":{"_0":[{"original":"/a","trashed":7}]}})",
         "“_0” of the “trashed” record isn’t a list of trashed items."},
        {R"({"archived":{"copies":"/a","trashed":[]}})",
         "“copies” of the “archived” record isn’t a list of paths."},
        {R"({"archived":{"copies":[]}})",
         "“trashed” of the “archived” record isn’t a list of trashed items."},
        {R"({"madeOnlineOnly":{"_0":[1]}})",
         "“_0” of the “madeOnlineOnly” record isn’t a list of paths."},
    };
    for (const auto& [json, error] : cases) {
        UndoRecordDecoding decoding = UndoRecord::decoded(json);
        EXPECT_FALSE(decoding.record) << json;
        EXPECT_EQ(decoding.error, error) << json;
    }
}

// Each recent action is its own entry, whatever it holds, and stays itself when undone.
using UndoJournalTest = test::TreeTest;
TEST_F(UndoJournalTest, KeepsTheNewestReadableBatchesAndNeverTouchesAnUnreadableOne) {
    UndoJournal journal(folder.path() / "undo", 2);
    std::string unreadable = tree.file("undo/9000-0badbad0.json", std::string_view("{"));
    // Other files in the folder are no batches, whatever they hold.
    for (const char* stray : {"undo/notes.json", "undo/9500-0badbad1.txt"})
        tree.file(stray, std::string_view("{"));
    RecentAction action =
        RecentAction::make("Old \xff", {"/a"}, Date{}, 10, UndoRecord::trashed({kItem}));
    EXPECT_NE(action, RecentAction::make("Old \xff", {"/a"}, Date{}, 10, action.undo));
    RecentAction undone = action;
    undone.undone = true;
    EXPECT_EQ(undone, action);
    for (int second : {1, 2, 3})
        ASSERT_FALSE(
            journal.save({std::to_string(second), Date{std::chrono::seconds(second)}, {action}}));
    std::vector<StoredBatch> kept = journal.list();
    std::vector<std::string> ids;
    for (const StoredBatch& each : kept)
        ids.push_back(each.id + (each.batch ? "" : " unreadable"));
    EXPECT_EQ(ids, (std::vector<std::string>{"0badbad0 unreadable", "3", "2"}))
        << "the oldest readable one went";
    ASSERT_TRUE(kept[1].batch);
    EXPECT_EQ(kept[1].batch->actions[0].title, "Old \xEF\xBF\xBD");
    EXPECT_EQ(kept[1].batch->actions[0].undo, action.undo);
    EXPECT_EQ(std::filesystem::status(kept[1].file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ASSERT_FALSE(journal.markUndone("3", {action.id}));
    EXPECT_TRUE(journal.find("3")->batch->actions[0].undone);
    EXPECT_FALSE(journal.markUndone("0badbad0", {action.id}));
    EXPECT_EQ(test::contentOf(unreadable), "{");
}
