#pragma once

// Everything a detector may consult: the scanned tree, a few facts about the user, and
// callbacks for the little it needs from the machine, so that a whole advisor run can work on a
// synthetic tree with substitute callbacks. Copyable: background passes run on a copy. The tree
// is shared and only read.

#include "advisor/FolderEntry.h"
#include "advisor/cloud/CloudProvider.h"
#include "platform/InstalledApp.h"
#include "platform/UserDirectories.h"
#include "scan/Node.h"
#include "util/Dates.h"
#include "util/WorkerPool.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavelin {

class Exclusions;

struct AdvisorContext {
    using FileExists = std::function<bool(const std::string& path)>;
    using ReadFile = std::function<std::optional<std::string>(const std::string& path)>;
    using ListFolder =
        std::function<std::optional<std::vector<FolderEntry>>(const std::string& path)>;
    using Translate = std::function<std::optional<std::string>(const std::string& domain,
                                                               const std::string& text)>;
    using FindProgram = std::function<std::optional<std::string>(const std::string& name)>;

    Node::Ptr root{};
    std::string home{}; // without a trailing "/"
    bool sandboxed = false;
    Date now = kDistantPast; // when the run started; ages are measured against it
    std::function<std::optional<Date>(const std::string& path)> lastUsed{};
    FileExists fileExists{}; // whether anything is at the path
    ReadFile readFile{};     // the whole file as UTF-8 text; nothing when unreadable or not UTF-8
    // The allocated bytes of the entry itself, for a folder without what it holds (its own
    // blocks, which the tree counts among its small files); 0 when unknown.
    std::function<int64_t(const std::string& path)> ownBytes = [](const std::string&) {
        return int64_t{0};
    };
    // Names and identifiers of the installed applications.
    std::function<std::unordered_set<std::string>()> installedBundleIDs{};
    std::function<std::vector<CloudProvider>()> cloudProviders{};
    // The user's Desktop, Documents, Downloads, Pictures and Videos folders, as locations for
    // `places` and `node`; English names under the home folder unless set.
    platform::UserDirectories userFolders{};
    // The applications the user installed and can remove as one item; none unless set.
    std::function<std::vector<platform::InstalledApp>()> installedApps = [] {
        return std::vector<platform::InstalledApp>{};
    };
    // The entries directly in a folder, files of every size, for the few folders a detector
    // knows by name; nothing when it cannot be listed, or unless set.
    ListFolder listFolder = [](const std::string&) {
        return std::optional<std::vector<FolderEntry>>();
    };
    // The user's language's translation of a program's text (gettext domain and message), for
    // names other programs give their files; nothing without one, or unless set.
    Translate translate = [](const std::string&, const std::string&) {
        return std::optional<std::string>();
    };
    // Where a program of this name is found on the search path; nothing when it is not, or
    // unless set.
    FindProgram findProgram = [](const std::string&) { return std::optional<std::string>(); };
    // Where a symbolic link points; nothing when the path is no link, or unless set.
    ReadFile linkTarget = [](const std::string&) { return std::optional<std::string>(); };
    // The release of the running kernel ("6.1.0-18-amd64"); empty when unknown.
    std::string kernelRelease{};
    // Threads a detector may spread slow work over (it works on the calling thread as well);
    // none means the calling thread alone.
    std::shared_ptr<WorkerPool> workers{};
    // Whether the run was called off: slow detectors ask between files, from any of the
    // workers at once, and then stop, returning nothing. Unset means never.
    std::function<bool()> isCancelled{};

    bool cancelled() const { return isCancelled && isCancelled(); }

    // The context of a run on this machine: last-used dates from the access-time cache, existence
    // and reading through the platform layer (files over 16 MiB count as unreadable: detectors
    // read only marker and settings files), the sandbox from "APP_SANDBOX_CONTAINER_ID", the
    // user's folders from the desktop's settings, read now; folders listed, links read,
    // translations looked up in the installed message catalogs for the user's languages,
    // programs found on $PATH and the kernel's release from the system. Installed applications and
    // the cloud folders in `home` (CloudStorage) are looked up on the first question and the answer
    // kept, so a run reads them once for all its detectors. The run sets the workers and the cancel
    // check.
    static AdvisorContext live(Node::Ptr root, std::string_view home, Date now);
    // The context of a tree whose files are not here to look at (a scan read from a file, the
    // demonstration): existence from the tree alone, whose small files are folded away, so only
    // folders and large files exist; nothing read, no last-used dates, no installed
    // applications and no cloud folders. The rules on paths and names still apply.
    static AdvisorContext ofTree(Node::Ptr root, std::string_view home, Date now);
    // Folders listed beneath the root leave out what the scan left out, as the tree does.
    void exclude(const Exclusions& exclusions);

    // Where a location can appear in a tree: for "/"-rooted locations the location itself and
    // the same under the data volume; for others the location below `home`, then below the
    // home folder as the data volume shows it.
    static std::vector<std::string> places(std::string_view location, std::string_view home);
    std::vector<std::string> places(std::string_view location) const {
        return places(location, home);
    }

    // The node at the first of the location's places that lies inside `root` (at or below its
    // path, on a component boundary) and exists in the tree; nullptr when none does.
    static Node* node(Node& root, std::string_view location, std::string_view home);
    Node* node(std::string_view location) const { return node(*root, location, home); }

    // Whole days from `date` to `now`, with a minute's allowance: (seconds + 60) ÷ 86,400,
    // truncated toward zero (negative for dates after `now`).
    int daysSince(Date date) const;
};

} // namespace tavelin
