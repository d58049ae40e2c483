#pragma once

// What a disk watch runs on in a test: disks and a clock the test sets, its history and warning
// state in a temporary folder, and notifications that never leave the process.

#include "support/TemporaryFolder.h"
#include "watch/DiskWatch.h"
#include "watch/Notifications.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace tavelin::test {

constexpr int64_t kGB = 1'000'000'000;

inline platform::Volume disk(const std::string& name, int64_t total, int64_t free,
                             bool isBoot = false) {
    return {name, name, name, total, free, isBoot, false};
}

class WatchFixture : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }

    DiskWatch::Environment environment() {
        return {[this] {
                    ++reads;
                    return volumes;
                },
                [this] { return now; }, folder.path(), false};
    }
    void advance(std::chrono::seconds seconds) { now += seconds; }

    TemporaryFolder folder;
    Date now = dateFromSecondsSince1970(1'700'000'000);
    std::vector<platform::Volume> volumes;
    int reads = 0;
    Notifications detached{Notifications::Setup{}};
};

} // namespace tavelin::test
