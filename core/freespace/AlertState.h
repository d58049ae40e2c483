#pragma once

// What keeps free-space warnings rare across launches: when each kind was last sent, which
// kinds may not fire until their condition has clearly gone away, and when any warning was last
// sent. Stored in "FreeSpaceAlerts.json" as {"lastSent": {"critical": seconds, …},
// "disarmed": ["critical", …], "lastAny": seconds}, times in seconds since 1970 with fractions
// and "lastAny" left out when there is none.

#include "freespace/AlertKind.h"
#include "util/Dates.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace tavelin {

struct AlertState {
    static constexpr const char* fileName = "FreeSpaceAlerts.json";

    std::map<AlertKind, Date> lastSent;
    std::set<AlertKind> disarmed;
    std::optional<Date> lastAny;

    bool operator==(const AlertState&) const = default;

    // The state stored in `directory`; a new one when there is none or it cannot be read. A
    // damaged file is moved aside. Kinds this version does not know are passed over.
    static AlertState load(const std::filesystem::path& directory);
    // Failures are ignored: the state in memory still throttles until the next launch.
    void save(const std::filesystem::path& directory) const;
};

} // namespace tavelin
