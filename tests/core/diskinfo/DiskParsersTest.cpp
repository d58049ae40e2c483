#include "diskinfo/ApfsList.h"
#include "diskinfo/LocalSnapshots.h"

#include <gtest/gtest.h>

using namespace tavelin;
using namespace tavelin::DiskInfo;

namespace {

using Volume = DiskBreakdown::Volume;

Date local(int year, int month, int day, int hour, int minute, int second) {
    return *localDate(year, month, day, hour, minute, second);
}

std::string plist(const std::string& containers) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>Containers</key><array>)" +
           containers + "</array></dict></plist>";
}

// An internal disk's container with system and data volumes, and an external disk's.
const std::string kInternal = R"(<dict>
  <key>CapacityCeiling</key><integer>494384795648</integer>
  <key>CapacityFree</key><integer>201234567168</integer>
  <key>Volumes</key><array>
    <dict><key>CapacityInUse</key><integer>11213000704</integer><key>DeviceIdentifier</key>
      <string>disk3s1</string><key>Name</key><string>Macintosh HD</string>
      <key>Roles</key><array><string>System</string></array></dict>
    <dict><key>CapacityInUse</key><integer>270123456512</integer><key>DeviceIdentifier</key>
      <string>disk3s5</string><key>Name</key><string>Data</string>
      <key>Roles</key><array><string>Data</string></array></dict>
  </array></dict>)";
const std::string kExternal = R"(<dict>
  <key>CapacityCeiling</key><integer>1000000000000</integer>
  <key>Volumes</key><array><dict><key>DeviceIdentifier</key><string>disk5s1</string></dict>
  </array></dict>)";

} // namespace

TEST(ApfsList, FindsTheContainerOfTheDeviceOrOfTheVolumeItIsASnapshotOf) {
    std::string list = plist(kExternal + kInternal);
    ApfsContainer internal{494384795648,
                           201234567168,
                           {{"Macintosh HD", {"System"}, 11213000704, "disk3s1"},
                            {"Data", {"Data"}, 270123456512, "disk3s5"}}};
    EXPECT_EQ(parseAPFSList(list, "disk3s5"), internal);
    EXPECT_EQ(parseAPFSList(list, "disk3s1s1"), internal);
    EXPECT_EQ(parseAPFSList(list, "disk5s1")->capacity, 1000000000000);
    EXPECT_FALSE(parseAPFSList(list, "disk4s1"));
    EXPECT_FALSE(parseAPFSList(list, "disk3s")) << "a prefix of a device is not the device";
}

TEST(ApfsList, MissingOrMistypedKeysReadAsDefaultsAndBadListsAsNone) {
    std::string list = plist(R"(
<dict>
  <key>CapacityCeiling</key><string>lots</string>
  <key>CapacityFree</key><integer> 12 GB </integer>
  <key>Volumes</key><array>
    <dict><key>DeviceIdentifier</key><string>disk3s5</string>
      <key>CapacityInUse</key><real>1.5</real>
      <key>Roles</key><string>Data</string></dict>
    <string>not a volume</string>
  </array>
</dict>)");
    EXPECT_EQ(parseAPFSList(list, "disk3s5"), (ApfsContainer{0, 0, {{"?", {}, 0, "disk3s5"}}}));

    // What is not a container list, or cannot be counted, is refused.
    for (std::string bad :
         {std::string(""), std::string("<plist><dict><key>Containers</key>"),
          std::string("{\"Containers\": []}"),
          std::string("<plist><dict><key>Containers</key><dict/></dict></plist>"),
          std::string("<plist><array><dict/></array></plist>"),
          plist(R"(<dict><key>CapacityCeiling</key><integer>99999999999999999999</integer>
                 <key>Volumes</key><array><dict><key>DeviceIdentifier</key>
                 <string>disk3s5</string></dict></array></dict>)"),
          plist(R"(<dict><key>Volumes</key><array><dict><key>DeviceIdentifier</key>
                 <string>disk3s5</string><key>CapacityInUse</key><integer>-1</integer>
                 </dict></array></dict>)")})
        EXPECT_FALSE(parseAPFSList(bad, "disk3s5")) << bad;
}

TEST(LocalSnapshots, BackupToolDatesAreLocalTimesOldestFirst) {
    std::string text = "Snapshots for disk /:\n"
                       "com.apple.TimeMachine.2025-03-09-101500.local\n"
                       "\n"
                       "com.apple.TimeMachine.2024-12-31-235959.local\n"
                       "garbage\n"
                       "com.apple.TimeMachine.2025-02-30-101500.local\n"
                       "2025-03-09-1015 too short\n"
                       "x 2025-01-02-030405 y 2026-01-01-000000\n";
    EXPECT_EQ(parseLocalSnapshots(text),
              (std::vector<Date>{local(2024, 12, 31, 23, 59, 59), local(2025, 1, 2, 3, 4, 5),
                                 local(2025, 3, 9, 10, 15, 0)}));
    EXPECT_TRUE(parseLocalSnapshots("").empty());
}

TEST(LocalSnapshots, SubvolumeListKeepsIdsAndPathsWhateverTheNames) {
    std::string text =
        "ID 258 gen 12 cgen 12 top level 5 otime 2025-03-09 10:15:00 path snaps/two words\n"
        "ID 257 gen 9 cgen 9 top level 5 otime 2025-03-08 08:00:00 path x otime 2001-01-01 "
        "00:00:00 path y\n"
        "ID 300 gen 9 cgen 9 top level 5 otime - path old\n"
        "ERROR: can't perform the search: Operation not permitted\n"
        "ID nine gen 1 otime 2025-01-01 00:00:00 path bad\n";
    std::vector<LocalSnapshot> expected{
        {local(2025, 3, 8, 8, 0, 0), "257", "", "x otime 2001-01-01 00:00:00 path y"},
        {local(2025, 3, 9, 10, 15, 0), "258", "", "snaps/two words"},
    };
    EXPECT_EQ(parseSubvolumeList(text), expected);
}

TEST(LocalSnapshots, SnapperListSkipsTheLiveSystemTheRunningSnapshotAndOtherDisks) {
    std::string json = R"({
      "root": [
        {"subvolume": "/", "number": 0, "default": false, "active": false, "date": "",
         "description": "current"},
        {"subvolume": "/", "number": 12, "default": false, "active": false,
         "date": "2025-03-09 10:15:00", "type": "pre"},
        {"subvolume": "/", "number": 3, "active": true, "date": "2025-01-01 09:00:00"},
        {"subvolume": "/", "number": 5, "default": true, "date": "2025-01-02 09:00:00"},
        {"subvolume": "/", "number": 7, "date": "2025-02-01 09:00:00"},
        {"subvolume": "/", "number": "8", "date": "2025-02-01 09:00:00"},
        {"subvolume": "/", "number": 9, "date": "yesterday"},
        "junk"
      ],
      "usb": [{"subvolume": "/media/usb", "number": 4, "date": "2025-01-05 00:00:00"}],
      "odd": {"not": "a list"}
    })";
    auto belongs = [](const std::string& subvolume) { return subvolume == "/"; };
    EXPECT_EQ(parseSnapperList(json, belongs), (std::vector<LocalSnapshot>{
                                                   {local(2025, 2, 1, 9, 0, 0), "7", "root", ""},
                                                   {local(2025, 3, 9, 10, 15, 0), "12", "root", ""},
                                               }));
    EXPECT_FALSE(parseSnapperList("Failure (error.something).", belongs));
    EXPECT_FALSE(parseSnapperList("[1, 2]", belongs));
}

TEST(LocalDates, RefuseFieldsOutOfRange) {
    EXPECT_TRUE(localDate(2024, 2, 29, 0, 0, 0));
    EXPECT_FALSE(localDate(2025, 2, 29, 0, 0, 0) || localDate(2025, 13, 1, 0, 0, 0) ||
                 localDate(2025, 0, 1, 0, 0, 0) || localDate(2025, 1, 1, 24, 0, 0) ||
                 localDate(2025, 1, 1, 0, 60, 0));
    EXPECT_EQ(local(2025, 3, 9, 10, 15, 0) - local(2025, 3, 9, 10, 14, 59),
              std::chrono::seconds(1));
}

TEST(DiskBreakdown, DataVolumeIsTheDeviceItsSnapshotsVolumeOrTheDataRole) {
    DiskBreakdown breakdown;
    breakdown.volumes = {{"System", {"System"}, 10, "disk3s1"},
                         {"Data", {"Data"}, 200, "disk3s5"},
                         {"Preboot", {"Preboot"}, 0, "disk3s2"},
                         {"VM", {"VM"}, 20, "disk3s6"},
                         {"Recovery", {}, 10, "disk3s3"}};
    // The Data role is the last resort.
    EXPECT_EQ(std::vector({breakdown.dataVolume("disk3s1")->device,
                           breakdown.dataVolume("disk3s1s1")->device,
                           breakdown.dataVolume("disk9")->device}),
              std::vector<std::string>({"disk3s1", "disk3s1", "disk3s5"}));

    std::vector<std::string> others;
    for (const Volume& volume : breakdown.otherVolumes("disk3s5"))
        others.push_back(volume.device);
    EXPECT_EQ(others, (std::vector<std::string>{"disk3s6", "disk3s1", "disk3s3"}))
        << "largest first, equal ones in their order, empty ones left out";

    breakdown.volumes[1].roles.clear();
    EXPECT_FALSE(breakdown.dataVolume("disk9"));
    EXPECT_EQ(breakdown.otherVolumes("disk9").size(), 4u) << "without a data volume, all count";
}
