#pragma once

// The report of a scan that an AI agent reads: names, sizes and dates in Markdown, never what is
// inside a file. It comes in two renderings of the same input: the full one, saved to a file for
// agents that read files, and a condensed one that fits a character budget, for chats that take
// the text in a link or by pasting. The condensed one is rendered again with fewer rows until it
// fits.

#include "advisor/Candidate.h"
#include "diskinfo/DiskBreakdown.h"
#include "history/Change.h"
#include "scan/Node.h"
#include "scanfile/ScanSource.h"
#include "util/Dates.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct AgentReport {
    struct Kind {
        std::string name;
        int64_t bytes = 0;
        int64_t files = 0;
    };

    struct Input {
        Node::Ptr scope; // the folder the user is looking at
        Node::Ptr root;  // the root of the scanned tree
        std::optional<std::string> diskName{};
        std::optional<int64_t> diskTotal{};
        std::optional<int64_t> diskFree{};
        std::vector<Kind> kinds{}; // largest first
        std::vector<Change> changes{};
        std::optional<Date> changesSince{};
        std::vector<Candidate> suggestions{};
        // Where a whole disk's space goes beyond the files, with the device the scan is on.
        std::optional<DiskBreakdown> breakdown{};
        std::string device{};
        Date now = std::chrono::system_clock::now();
        std::string home{};
        // Set for a scan read from a scan file.
        std::optional<ScanSource> source{};
        // What the user's settings leave out of every scan, and how many entries this scan
        // left out.
        std::vector<std::string> exclusions{};
        int64_t excluded = 0;
    };

    // Row limits: folders inside the scope, biggest folders, biggest files, kinds,
    // suggestions, changes.
    struct Level {
        size_t inside, folders, files, kinds, suggestions, changes;
    };
    static constexpr Level kFull{12, 40, 30, 12, 30, 15};
    // Tried in order for the condensed rendering.
    static constexpr std::array<Level, 6> kCondensed{{{12, 15, 10, 12, 10, 6},
                                                      {10, 10, 8, 8, 8, 5},
                                                      {8, 8, 6, 6, 6, 4},
                                                      {6, 6, 4, 5, 5, 3},
                                                      {5, 4, 3, 4, 4, 2},
                                                      {3, 3, 2, 3, 3, 1}}};

    // The condensed budget that keeps a prompt and the report under a chat link's limit:
    // 6,990 characters less the prompt's, but at least 2,000.
    static size_t budget(std::string_view prompt);

    // Renders the full report, then the condensed one with the first level whose rendering has
    // at most `condensedBudget` characters (the last level when none has). `input.scope` and
    // `input.root` must be set.
    AgentReport(const Input& input, size_t condensedBudget);

    static std::string render(const Input& input, const Level& level);

    std::string markdown;
    std::string condensed;
};

} // namespace tavelin
