#include "freespace/AlertState.h"
#include "history/Store.h"
#include "platform/PrivateFiles.h"
#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using tavelin::Date;
using tavelin::ScanRecord;
using tavelin::History::Store;
using tavelin::test::TemporaryFolder;
using tavelin::test::writeText;
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

    // Only records made with the same exclusions compare.
    ScanRecord excluding = recordOf("/data", atMilliseconds(1'700'000'003'000), 3);
    excluding.excluded = {"node_modules"};
    ASSERT_FALSE(store.save(excluding));
    EXPECT_EQ(store.latest("/data", kFarFuture)->size, 1'700'000'002);
    EXPECT_EQ(store.latest("/data", kFarFuture, {"node_modules"})->size, 3);

    // 990.json to 1010.json, twenty kept: sorted as text, 990 to 999 would count as the newest.
    std::set<std::string> newest;
    for (int64_t ms = 990; ms <= 1010; ++ms) {
        ASSERT_FALSE(store.save(recordOf("/other", atMilliseconds(ms))));
        if (ms > 990)
            newest.insert(std::to_string(ms) + ".json");
    }
    EXPECT_EQ(fileNames(store.locationFolder("/other")), newest);
    EXPECT_EQ(store.latest("/other", kFarFuture)->date, atMilliseconds(1010));
}

// Records name every file of a scan, of every user after a scan of "/" as root.
TEST(HistoryStore, WhatTavelinKeepsIsPrivateAndOldOpenFilesAreTightened) {
    TemporaryFolder temp;
    fs::path data = temp.path() / "Tavelin";
    auto mode = [](const fs::path& path) {
        struct stat status;
        return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0u;
    };
    ASSERT_FALSE(Store(data / "History", 20).save(recordOf("/data", atMilliseconds(1'000))));
    tavelin::AlertState().save(data);
    fs::path location = *fs::directory_iterator(data / "History");
    for (const fs::path& path : {data, data / "History", location})
        EXPECT_EQ(mode(path), 0700u) << path;
    for (const fs::path& path : {location / "1000.json", data / "FreeSpaceAlerts.json"})
        EXPECT_EQ(mode(path), 0600u) << path;

    // What an earlier version left open; a link's target outside is not ours to change.
    fs::path outside = temp.path() / "outside.txt";
    writeText(outside, "x");
    fs::create_directories(data / "Agent Reports");
    writeText(data / "Agent Reports" / "old.md", "report");
    fs::create_symlink(outside, data / "Agent Reports" / "link");
    for (const fs::path& path : {data, data / "Agent Reports", location})
        ::chmod(path.c_str(), 0755);
    for (const fs::path& path :
         {data / "Agent Reports" / "old.md", location / "1000.json", outside})
        ::chmod(path.c_str(), 0644);
    tavelin::platform::makeTreePrivate(data);
    for (const fs::path& path : {data, data / "Agent Reports", location})
        EXPECT_EQ(mode(path), 0700u) << path;
    for (const fs::path& path : {data / "Agent Reports" / "old.md", location / "1000.json"})
        EXPECT_EQ(mode(path), 0600u) << path;
    EXPECT_EQ(mode(outside), 0644u);

    // A file where the folder should be: the save says so.
    Store store(data / "FreeSpaceAlerts.json", 20);
    EXPECT_TRUE(store.save(recordOf("/data", atMilliseconds(1'000))));
    EXPECT_FALSE(store.latest("/data", kFarFuture));
}

TEST(HistoryStore, PruningKeepsTheNewRecordRealOnesAndWhatIsNoRecordAndLatestSkipsNonRecords) {
    TemporaryFolder temp;
    Store store(temp.path(), 20);
    fs::path folder = store.locationFolder("/data");
    fs::create_directories(folder);
    // Twenty records from a clock that was far ahead, and files that only look like records.
    for (int64_t i = 0; i < 20; ++i) {
        Date future = atMilliseconds(9'000'000'000'000 + i);
        writeText(folder / (std::to_string(9'000'000'000'000 + i) + ".json"),
                  recordOf("/data", future).encoded());
    }
    for (const char* stray : {"notes.json", "12x.json", "+5.json", "1000.json.bak"})
        writeText(folder / stray, "{}");
    for (int64_t ms : {1'000, 2'000, 3'000})
        ASSERT_FALSE(store.save(recordOf("/data", atMilliseconds(ms))));

    std::set<std::string> names = fileNames(folder);
    for (const char* kept : {"1000.json", "2000.json", "3000.json", "notes.json", "12x.json",
                             "+5.json", "1000.json.bak"})
        EXPECT_TRUE(names.contains(kept)) << kept;
    EXPECT_EQ(names.size(), 20u + 4u) << "three future-dated records made room";
    EXPECT_FALSE(names.contains("9000000000000.json")) << "the earliest of them went first";
    EXPECT_EQ(store.latest("/data", atMilliseconds(4'000))->date, atMilliseconds(3'000));

    // Latest passes over what is no record of its root, and never waits on a FIFO; pruning
    // leaves what is not a record alone.
    Store single(temp.path() / "single", 1);
    ASSERT_FALSE(single.save(recordOf("/data", atMilliseconds(1'000), 7)));
    fs::path place = single.locationFolder("/data");
    fs::path fifo = place / "2000.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(place / "1000.json", place / "1500.json");
    fs::create_directory(place / "3000.json");
    writeText(place / "2500.json", R"({"root": "/data", "date": 2, "size": 1, "unique": 1,
                                        "sizes": {"": 1}})");
    writeText(place / "4000.json", recordOf("/elsewhere", atMilliseconds(4'000)).encoded());

    auto reading =
        std::async(std::launch::async, [&] { return single.latest("/data", kFarFuture); });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked reader go before failing, so the test program can end.
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        FAIL() << "reading the history waited on a FIFO";
    }
    auto latest = reading.get();
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->size, 7) << "a symbolic link is not a record either";
    ASSERT_FALSE(single.save(recordOf("/data", atMilliseconds(5'000))));
    std::set<std::string> left = fileNames(place);
    for (const char* kept : {"1500.json", "2000.json", "3000.json", "5000.json"})
        EXPECT_TRUE(left.contains(kept)) << kept << ": pruning leaves what is not a record alone";
    EXPECT_FALSE(left.contains("1000.json"));
}
