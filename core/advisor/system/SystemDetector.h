#pragma once

// Space outside the home folder that Linux users most often get back: the package manager's
// downloads, the systemd journal beyond a kept size, Flatpak runtimes no app uses, disabled
// Snap revisions, crash dumps and old kernels. Found only where the scan reached them (a
// whole-disk scan, or one of / or /var) and measured from the tree. Tavelin deletes none of it
// itself: each step is a command of the owning tool, run as administrator through pkexec (the
// desktop's password prompt) and shown exactly as it runs; a user's own Flatpak runtimes need
// no password. Old kernels are only explained, since removing the running one or its fallback
// can leave a system that does not start.

#include "advisor/Detector.h"

namespace tavelin {

class SystemDetector final : public Detector {
public:
    // What the journal keeps, as journalctl reads "--vacuum-size=100M" (binary megabytes).
    static constexpr int64_t kJournalKept = 100 * 1024 * 1024;
    // Steps that would free less are left out.
    static constexpr int64_t kLeastFreed = 1'000'000;

    std::string id() const override { return "system"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
