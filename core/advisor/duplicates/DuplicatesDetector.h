#pragma once

// Finds sets of byte-for-byte identical files in the user's own folders and proposes to keep
// one stored copy of each. Where the disk can share extents between files (btrfs, XFS,
// bcachefs) a set becomes a lossless merge: every copy keeps its place, name and dates but all
// share one stored copy. Elsewhere (ext4, the usual Linux disk) nothing can share data, so a
// set becomes a suggestion for the user's judgement that moves the extra copies to the Trash.
//
// Copies that already share their data (hard links, clones) count, merge and are read once.
// Files are compared by cheap facts first (on-disk size, exact length), then by 64 KiB from
// each end, and only then by a SHA-256 digest of the whole content, taken once per stored copy
// on the context's workers; groups are examined in order of what they could free until a
// budget of hashed bytes is spent. The only slow detector: it reads file contents, so it holds
// the tree only while it takes the paths and sizes of the files to consider.

#include "advisor/Detector.h"
#include "platform/FileIdentity.h"
#include "util/Sha256.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class DuplicatesDetector final : public Detector {
public:
    // A file as the tree showed it when the run took it.
    struct TreeFile {
        std::string path;
        int64_t size = 0; // allocated bytes
    };
    // A file with what the file system says about it.
    struct File {
        platform::FileIdentity identity;
        std::optional<int64_t> treeSize{}; // its allocated size in the tree, when it came from it
        std::string key = identity.dataKey();
        Sha256Digest digest{}; // of the whole content, once it was read

        // The tree's allocated size, else the file system's.
        int64_t onDisk() const { return treeSize.value_or(identity.allocated); }
    };

    using ReadIdentity = std::function<std::optional<platform::FileIdentity>(
        const std::string& path, platform::SharingMounts& mounts)>;

    DuplicatesDetector(int64_t minFileBytes = 1'000'000, int64_t minSetFreed = 10'000'000,
                       int64_t maxHashBytes = 20'000'000'000);

    int64_t minFileBytes; // files with fewer allocated bytes are left out
    int64_t minSetFreed;  // sets that would free less are not proposed
    int64_t maxHashBytes; // bytes hashed in one run, at most about
    // Reads one file's identity; `mounts` remembers, for the run, which mounts share extents.
    ReadIdentity identity = [](const std::string& path, platform::SharingMounts& mounts) {
        return platform::FileIdentity::of(path, &mounts);
    };
    // Whether a file is an item of the system's cloud document store (reading it may download
    // it). Linux has none: unset, and cloud sync folders are left out by their folders instead.
    std::function<bool(const std::string& path)> isInCloud{};

    std::string id() const override { return "duplicates"; }
    bool isSlow() const override { return true; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override {
        return find(context).candidates;
    }
    // Takes the files to consider; the search reads only them and the file system.
    Rest take(const AdvisorContext& context) const override;

    // What one run found: the suggestions, every set of identical files with two stored
    // copies or more (whether or not it is worth a suggestion), and the bytes read for digests.
    struct Findings {
        std::vector<Candidate> candidates;
        std::vector<std::vector<std::string>> identicalSets;
        int64_t hashedBytes = 0;
    };
    // The run behind `candidates`; a cancelled run finds nothing.
    Findings find(const AdvisorContext& context) const;
    // The same over files taken from the tree before; the context's tree is not read.
    Findings find(std::vector<TreeFile> files, const AdvisorContext& context) const;

    // The files to consider, in tree order: files of at least `minFileBytes` allocated bytes
    // below the home folder (or below the scanned folder when that lies inside the home
    // folder), outside `skippedHomeFolders` and hidden first-level folders, folders named in
    // `skippedFolders`, packages (`packageExtensions`) and cloud folders.
    std::vector<TreeFile> personalFiles(const AdvisorContext& context) const;

    // The suggestion for one set of identical files: the earliest created is kept (ties by
    // path), unless `keep` names another file of the set; the others that do not already share
    // its data are merged into it, or trashed where its disk cannot share data, each only while
    // it and the kept file are as checked. Nothing when they would free less than
    // `minSetFreed`. The suggestion carries every file of the set, and its id names the file
    // the rule keeps, whichever stays.
    std::optional<Candidate> candidate(const std::vector<File>& set,
                                       const std::optional<std::string>& keep = {}) const;

    // The suggestion made again from its own set with the file at `path` as the one that stays:
    // the step merges into that file, or trashes the others as checked. Nothing when the
    // suggestion holds no such file, or keeping it would free less than `minSetFreed`.
    std::optional<Candidate> keeping(const Candidate& suggestion, const std::string& path) const;

    // Folders never entered, wherever they are; nor is any whose name begins with ".Trash-".
    static constexpr std::string_view skippedFolders[] = {
        ".git", ".hg", ".svn", "node_modules", ".Trash", ".build", "Pods", "DerivedData",
    };
    // First-level folders of the home folder never entered; besides these, every hidden one
    // (".cache", ".config", ".local" and the like hold applications' data, as Library does).
    static constexpr std::string_view skippedHomeFolders[] = {
        "Library",
        "Applications",
        ".Trash",
        "snap",
    };
    // Lower-cased extensions of document packages and bundles, never entered.
    static constexpr std::string_view packageExtensions[] = {
        "app",
        "photoslibrary",
        "photolibrary",
        "migratedphotolibrary",
        "aplibrary",
        "musiclibrary",
        "tvlibrary",
        "imovielibrary",
        "theater",
        "fcpbundle",
        "logicx",
        "band",
        "lrlibrary",
        "lrdata",
        "cocatalog",
        "framework",
        "bundle",
        "plugin",
        "kext",
        "appex",
        "xpc",
        "component",
        "vst",
        "vst3",
        "aaxplugin",
        "xcodeproj",
        "xcworkspace",
        "xcarchive",
        "playground",
        "docarchive",
        "sparsebundle",
        "sparseimage",
        "vmwarevm",
        "pvm",
        "utm",
        "vbox",
        "rtfd",
        "pages",
        "numbers",
        "key",
        "scriptd",
        "workflow",
        "prproj",
        "dmgpart",
        "photosmigrator",
        "abbu",
        "mbox",
    };

    // Bytes read from each end of a file for the first look at its content.
    static constexpr size_t kEdgeBytes = 65'536;
};

} // namespace tavelin
