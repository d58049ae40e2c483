#pragma once

// The scan behind the commands that work without a window ("--report", "--suggest",
// "--apply"): the folder checked as the window checks a launch path, walked with a progress
// line on standard error when that is a terminal, and what the window's detectors find in it.

#include "advisor/Candidate.h"
#include "scan/ScanSession.h"
#include "util/Dates.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

class CommandScan {
public:
    // Files from this size on are a scan's large files, as in the window.
    static constexpr int64_t kLargeFile = 1'000'000;

    // Scans the folder; nothing, after the window's sentence on `errors`, when it cannot be.
    static std::optional<CommandScan> run(const std::string& given, bool showProgress,
                                          std::ostream& errors);

    const std::string& path() const { return path_; }
    const std::shared_ptr<ScanSession>& session() const { return session_; }
    Date date() const { return date_; }
    // What the quick and then the slow detectors found, scored.
    const std::vector<Candidate>& candidates() const { return candidates_; }

private:
    CommandScan(std::string path, std::shared_ptr<ScanSession> session, Date date,
                std::vector<Candidate> candidates);

    std::string path_;
    std::shared_ptr<ScanSession> session_;
    Date date_;
    std::vector<Candidate> candidates_;
};

} // namespace tavelin
