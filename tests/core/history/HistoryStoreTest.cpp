#include "history/Store.h"
#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>

using tavelin::Date;
using tavelin::ScanRecord;
using tavelin::History::Store;
using tavelin::test::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

Date atMilliseconds(int64_t milliseconds) {
    return Date(std::chrono::milliseconds(milliseconds));
}

const Date kFarFuture = atMilliseconds(5'000'000'000'000);

ScanRecord recordOf(const std::string& root, Date date, int64_t size = 1) {
    ScanRecord record;
    record.root = root;
    record.date = date;
    record.size = size;
    record.sizes = {{"", size}};
    return record;
}

std::set<std::string> fileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text;
}

} // namespace

TEST(HistoryStore, SavesByLocationAndMillisecondsAndFindsTheNewestBeforeADate) {
    TemporaryFolder temp;
    Store store(temp.path() / "History", 20);
    for (double seconds : {1'700'000'000.2509, 1'700'000'001.0, 1'700'000'002.0})
        ASSERT_FALSE(store.save(recordOf("/data", tavelin::dateFromSecondsSince1970(seconds),
                                         static_cast<int64_t>(seconds))));

    fs::path folder = temp.path() / "History" / "bd47413b5c03dfc6";
    EXPECT_EQ(store.locationFolder("/data"), folder);
    EXPECT_EQ(fileNames(folder), (std::set<std::string>{"1700000000250.json", "1700000001000.json",
                                                        "1700000002000.json"}));
    EXPECT_EQ(store.latest("/data", kFarFuture)->size, 1'700'000'002);
    EXPECT_EQ(store.latest("/data", atMilliseconds(1'700'000'002'000))->size, 1'700'000'001);
    EXPECT_FALSE(store.latest("/data", atMilliseconds(1'700'000'000'000)));
    EXPECT_FALSE(store.latest("/elsewhere", kFarFuture));
}

TEST(HistoryStore, KeepsTheNewestRecordsEvenWhenNamesDifferInLength) {
    TemporaryFolder temp;
    Store store(temp.path(), 20);
    // 990.json to 1010.json: sorted as text, 990 to 999 would count as the newest.
    for (int64_t ms = 990; ms <= 1010; ++ms)
        ASSERT_FALSE(store.save(recordOf("/data", atMilliseconds(ms))));

    std::set<std::string> expected;
    for (int64_t ms = 991; ms <= 1010; ++ms)
        expected.insert(std::to_string(ms) + ".json");
    EXPECT_EQ(fileNames(store.locationFolder("/data")), expected);
    EXPECT_EQ(store.latest("/data", kFarFuture)->date, atMilliseconds(1010));
}

TEST(HistoryStore, LatestPassesOverFilesThatCannotBeReadOrDecoded) {
    TemporaryFolder temp;
    Store store(temp.path(), 20);
    ASSERT_FALSE(store.save(recordOf("/data", atMilliseconds(1'000), 7)));
    fs::path folder = store.locationFolder("/data");
    writeFile(folder / "2000.json", R"({"root": "/data", "date": 2, "size": 1, "unique": 1,
                                        "sizes": {"": 1}})");
    fs::create_directory(folder / "3000.json");

    auto latest = store.latest("/data", kFarFuture);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->size, 7);
}

TEST(HistoryStore, ARecordOfAnotherRootIsNeverReturned) {
    TemporaryFolder temp;
    Store store(temp.path(), 20);
    fs::path folder = store.locationFolder("/a");
    fs::create_directories(folder);
    writeFile(folder / "2000.json", recordOf("/b", atMilliseconds(2'000)).encoded());
    EXPECT_FALSE(store.latest("/a", kFarFuture));

    ASSERT_FALSE(store.save(recordOf("/a", atMilliseconds(1'000), 5)));
    EXPECT_EQ(store.latest("/a", kFarFuture)->size, 5);
}

TEST(HistoryStore, SaveReportsAFolderThatCannotBeMade) {
    TemporaryFolder temp;
    writeFile(temp.path() / "History", "not a folder");
    Store store(temp.path() / "History", 20);
    EXPECT_TRUE(store.save(recordOf("/data", atMilliseconds(1'000))));
    EXPECT_FALSE(store.latest("/data", kFarFuture));
}
