#pragma once

// What the advisor asks of the machine, answered from memory: which paths exist (besides
// everything in the tree) and what some files hold. Contexts it makes refer back to it, so it
// must outlive them.

#include "advisor/AdvisorContext.h"
#include "advisor/Candidate.h"

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace tavelin::test {

struct FakeMachine {
    std::set<std::string> files;                    // paths that exist, besides those in `texts`
    std::map<std::string, std::string> texts;       // readable files and their content
    std::map<std::string, int64_t> ownSizes;        // folders' own blocks; 0 for the others
    std::map<std::string, Date> lastUsedDates;      // paths with a known last use
    std::unordered_set<std::string> installedNames; // names and identifiers of installed apps
    std::vector<platform::InstalledApp> apps;       // apps the user can remove
    platform::UserDirectories userFolders;
    std::vector<CloudProvider> cloudFolders;
    std::map<std::string, std::vector<FolderEntry>> listings; // folders that can be listed
    std::map<std::pair<std::string, std::string>, std::string> translations; // (domain, text)
    std::map<std::string, std::string> programs;                             // name, path
    std::map<std::string, std::string> links;                                // link, target
    std::string kernel;

    // A context over `root` with this machine's answers.
    AdvisorContext context(Node::Ptr root, std::string home, Date now) const;
};

} // namespace tavelin::test

namespace tavelin {

// Readable test failures for whole-candidate comparisons.
void PrintTo(const Candidate& candidate, std::ostream* out);

} // namespace tavelin
