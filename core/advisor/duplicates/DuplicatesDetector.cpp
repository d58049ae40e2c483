#include "advisor/duplicates/DuplicatesDetector.h"

#include "util/ContentHash.h"
#include "util/ParallelFor.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <ranges>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <xxhash.h>

namespace tavelin {
namespace {

using File = DuplicatesDetector::File;
using TreeFile = DuplicatesDetector::TreeFile;
using Kind = Evidence::Kind;

// Groups are examined in batches of about this many bytes of possible hashing: a batch's edges
// are read, then its hashes taken, so groups past the point where the budget runs out are
// never read.
constexpr int64_t kBatchBytes = int64_t{1} << 30;
// Files whose edges one task reads with one buffer.
constexpr size_t kEdgeSlice = 16;

template <size_t N>
bool contains(const std::string_view (&names)[N], std::string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool isSkippedHomeFolder(std::string_view name) {
    return name.starts_with('.') || contains(DuplicatesDetector::skippedHomeFolders, name);
}

// The lower-cased text after the last dot, unless that dot starts the name.
std::string extension(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string()
                                                     : lowercased(name.substr(dot + 1));
}

bool isSkippedFolder(const Node& folder, const std::unordered_set<const Node*>& excluded) {
    // ".Trash-$uid": the Trash a disk keeps at the top of a mount or btrfs subvolume.
    return contains(DuplicatesDetector::skippedFolders, folder.name) ||
           folder.name.starts_with(".Trash-") ||
           contains(DuplicatesDetector::packageExtensions, extension(folder.name)) ||
           excluded.contains(&folder);
}

// Files of at least `minBytes` below `top`, depth first in tree order; `home`, when it is `top`,
// also leaves out its own first-level folders. A list, not recursion: trees may be thousands of
// levels deep.
void collectFiles(const Node& top, const Node* home, int64_t minBytes,
                  const std::unordered_set<const Node*>& excluded, std::vector<const Node*>& into) {
    struct Frame {
        const Node* folder;
        size_t next;
    };
    std::vector<Frame> pending{{&top, 0}};
    while (!pending.empty()) {
        Frame& frame = pending.back();
        const auto& children = frame.folder->children();
        if (frame.next == children.size()) {
            pending.pop_back();
            continue;
        }
        const Node& node = *children[frame.next++];
        bool atHome = frame.folder == home;
        if (node.isDirectory()) {
            if (!isSkippedFolder(node, excluded) && !(atHome && isSkippedHomeFolder(node.name)))
                pending.push_back({&node, 0});
        } else if (node.kind() == Node::Kind::file && node.size >= minBytes) {
            into.push_back(&node);
        }
    }
}

// Files of one exact length.
struct Group {
    int64_t length = 0;
    std::vector<File> files;
};

// One stored copy within a group: the files that share its data.
struct Stored {
    std::vector<const File*> files;
    const File* reader = nullptr;        // the file its content was read through
    std::pair<uint64_t, uint64_t> edges; // a 128-bit hash of the edge bytes
    std::optional<Sha256Digest> digest;
    bool chosen = false; // within the budget
};

std::vector<Stored> storedCopies(const Group& group) {
    std::vector<Stored> stored;
    std::unordered_map<std::string_view, size_t> index;
    for (const File& file : group.files) {
        auto [at, added] = index.emplace(file.key, stored.size());
        if (added)
            stored.emplace_back();
        stored[at->second].files.push_back(&file);
    }
    return stored;
}

size_t distinctKeys(const std::vector<File>& files) {
    std::unordered_set<std::string_view> keys;
    for (const File& file : files)
        keys.insert(file.key);
    return keys.size();
}

// The edges of one stored copy, through the first of its files that can be read. Edges are
// told apart by a 128-bit hash of their bytes: equal edges always match, and the rare unequal
// pair that matched would only cost a digest, which decides. A file no longer than its two
// edges was read whole, so its digest is taken at once and it is not read again.
void readStoredEdges(Stored& stored, std::vector<uint8_t>& buffer) {
    for (const File* file : stored.files)
        if (ContentHash::edges(file->identity.path, DuplicatesDetector::kEdgeBytes, buffer)) {
            stored.reader = file;
            if (static_cast<int64_t>(buffer.size()) == file->identity.length) {
                stored.digest = sha256(buffer);
                uint64_t halves[2];
                std::memcpy(halves, stored.digest->data(), sizeof halves);
                stored.edges = {halves[0], halves[1]};
            } else {
                XXH128_hash_t hash = XXH3_128bits(buffer.data(), buffer.size());
                stored.edges = {hash.high64, hash.low64};
            }
            return;
        }
}

// Stored copies with equal edges, in order of first appearance; only lists of two or more.
std::vector<std::vector<Stored*>> edgeMatches(std::vector<Stored>& stored) {
    std::vector<std::vector<Stored*>> lists;
    std::map<std::pair<uint64_t, uint64_t>, size_t> index;
    for (Stored& copy : stored) {
        if (!copy.reader)
            continue;
        auto [at, added] = index.emplace(copy.edges, lists.size());
        if (added)
            lists.emplace_back();
        lists[at->second].push_back(&copy);
    }
    std::erase_if(lists, [](const auto& list) { return list.size() < 2; });
    return lists;
}

// A group on its way through the edge check and the hashing.
struct Examined {
    Group* group;
    std::vector<Stored> stored;
    std::vector<std::vector<Stored*>> matches; // stored copies with equal edges
};

// The paths and sizes of the files, as the tree shows them now.
std::vector<TreeFile> treeFiles(const std::vector<const Node*>& files) {
    std::vector<TreeFile> values;
    values.reserve(files.size());
    for (const Node* file : files)
        values.push_back({file->path(), file->size});
    return values;
}

std::string parentName(const std::string& path) {
    return lastPathComponent(parentPath(path));
}

std::vector<std::string> pathsOf(const std::vector<const DuplicatesDetector::File*>& files) {
    std::vector<std::string> paths;
    for (const DuplicatesDetector::File* file : files)
        paths.push_back(file->identity.path);
    return paths;
}

CheckedFile checked(const DuplicatesDetector::File& file) {
    return CheckedFile::of(file.identity, file.digest);
}

std::vector<CheckedFile> checkedAll(const std::vector<const DuplicatesDetector::File*>& files) {
    std::vector<CheckedFile> all;
    for (const DuplicatesDetector::File* file : files)
        all.push_back(checked(*file));
    return all;
}

// One run of the detector: files grouped by cheap facts, then examined in batches.
class Search {
public:
    Search(const DuplicatesDetector& detector, const AdvisorContext& context)
        : detector_(detector)
        , context_(context)
        , workers_(context.workers.get()) {}

    DuplicatesDetector::Findings run(std::vector<TreeFile> files);

private:
    bool cancelled() const { return context_.cancelled(); }
    std::vector<File> identities(std::vector<TreeFile> files);
    void groupByLength(std::vector<File> files);
    std::vector<Examined> nextBatch();
    void readEdges(std::vector<Examined>& batch);
    std::vector<Stored*> chooseWithinBudget(std::vector<Examined>& batch);
    void hash(std::vector<Stored*> stored);
    void collect(const Examined& examined);

    const DuplicatesDetector& detector_;
    const AdvisorContext& context_;
    WorkerPool* workers_;
    std::vector<Group> groups_; // in order of promise
    size_t next_ = 0;           // the first group not yet examined
    DuplicatesDetector::Findings findings_;
};

DuplicatesDetector::Findings Search::run(std::vector<TreeFile> files) {
    std::vector<File> read = identities(std::move(files));
    if (cancelled())
        return {};
    groupByLength(std::move(read));
    while (next_ < groups_.size() && findings_.hashedBytes < detector_.maxHashBytes) {
        std::vector<Examined> batch = nextBatch();
        readEdges(batch);
        if (cancelled())
            return {};
        hash(chooseWithinBudget(batch));
        if (cancelled())
            return {};
        for (const Examined& examined : batch)
            collect(examined);
    }
    return std::move(findings_);
}

// The identities of files that share their on-disk size with another: only those can be
// identical.
std::vector<File> Search::identities(std::vector<TreeFile> files) {
    std::unordered_map<int64_t, int> sizeCounts;
    for (const auto& file : files)
        ++sizeCounts[file.size];
    std::erase_if(files, [&](const auto& file) { return sizeCounts[file.size] < 2; });

    platform::SharingMounts mounts;
    std::vector<std::optional<File>> read(files.size());
    parallelFor(workers_, files.size(), [&](size_t i) {
        if (cancelled())
            return;
        if (auto found = detector_.identity(files[i].path, mounts))
            read[i] = File{.identity = std::move(*found), .treeSize = files[i].size};
    });
    std::vector<File> found;
    for (auto& file : read)
        if (file && file->identity.length > 0)
            found.push_back(std::move(*file));
    return found;
}

// Groups of two files or more of one length, in order of promise: what each could free at
// most. Equal promises keep the tree's order.
void Search::groupByLength(std::vector<File> files) {
    std::unordered_map<int64_t, size_t> groupOfLength;
    for (File& file : files) {
        auto [at, added] = groupOfLength.emplace(file.identity.length, groups_.size());
        if (added)
            groups_.push_back({.length = file.identity.length, .files = {}});
        groups_[at->second].files.push_back(std::move(file));
    }
    std::erase_if(groups_, [](const Group& group) { return group.files.size() < 2; });
    auto promise = [](const Group& group) {
        return static_cast<int64_t>(group.files.size() - 1) * group.length;
    };
    std::stable_sort(groups_.begin(), groups_.end(),
                     [&](const Group& a, const Group& b) { return promise(a) > promise(b); });
}

// The next groups worth reading (two stored copies or more that could free enough, outside
// the cloud), up to about kBatchBytes of possible hashing.
std::vector<Examined> Search::nextBatch() {
    std::vector<Examined> batch;
    int64_t bytes = 0;
    while (next_ < groups_.size() && bytes < kBatchBytes) {
        Group& group = groups_[next_++];
        size_t keys = distinctKeys(group.files);
        if (keys < 2 || static_cast<int64_t>(keys - 1) * group.length < detector_.minSetFreed)
            continue;
        if (detector_.isInCloud) {
            std::erase_if(group.files, [&](const File& file) {
                return detector_.isInCloud(file.identity.path);
            });
            if (distinctKeys(group.files) < 2)
                continue;
        }
        batch.push_back({.group = &group, .stored = storedCopies(group), .matches = {}});
        bytes += static_cast<int64_t>(batch.back().stored.size()) * group.length;
    }
    return batch;
}

// The edges of every stored copy of the batch, each read once.
void Search::readEdges(std::vector<Examined>& batch) {
    std::vector<Stored*> stored;
    for (Examined& examined : batch)
        for (Stored& copy : examined.stored)
            stored.push_back(&copy);
    parallelFor(workers_, (stored.size() + kEdgeSlice - 1) / kEdgeSlice, [&](size_t slice) {
        std::vector<uint8_t> buffer;
        size_t end = std::min(stored.size(), (slice + 1) * kEdgeSlice);
        for (size_t i = slice * kEdgeSlice; i < end && !cancelled(); ++i)
            readStoredEdges(*stored[i], buffer);
    });
}

// The stored copies to hash, group by group in order of promise, while the budget lasts;
// groups the spent budget never reached leave the batch.
std::vector<Stored*> Search::chooseWithinBudget(std::vector<Examined>& batch) {
    std::vector<Stored*> chosen;
    int64_t& hashed = findings_.hashedBytes;
    auto examined = batch.begin();
    for (; examined != batch.end() && hashed < detector_.maxHashBytes; ++examined) {
        examined->matches = edgeMatches(examined->stored);
        for (const auto& match : examined->matches)
            for (Stored* stored : match)
                if (hashed < detector_.maxHashBytes) {
                    stored->chosen = true;
                    chosen.push_back(stored);
                    hashed += examined->group->length;
                }
    }
    batch.erase(examined, batch.end());
    return chosen;
}

void Search::hash(std::vector<Stored*> stored) {
    std::erase_if(stored, [](const Stored* copy) { return copy->digest.has_value(); });
    // The biggest first, so the workers finish together.
    std::stable_sort(stored.begin(), stored.end(), [](const Stored* a, const Stored* b) {
        return a->reader->identity.length > b->reader->identity.length;
    });
    auto stopped = [this] { return cancelled(); };
    parallelFor(workers_, stored.size(), [&](size_t i) {
        stored[i]->digest = ContentHash::sha256(stored[i]->reader->identity.path, stopped);
    });
}

// Every set of two stored copies or more with one digest, and the suggestion made of it.
void Search::collect(const Examined& examined) {
    for (const auto& match : examined.matches) {
        std::map<Sha256Digest, std::vector<const Stored*>> buckets;
        std::vector<const std::vector<const Stored*>*> order;
        for (const Stored* stored : match) {
            if (!stored->chosen || !stored->digest)
                continue;
            auto [at, added] = buckets.try_emplace(*stored->digest);
            if (added)
                order.push_back(&at->second);
            at->second.push_back(stored);
        }
        for (const auto* bucket : order) {
            if (bucket->size() < 2)
                continue;
            std::vector<File> set;
            std::vector<std::string>& paths = findings_.identicalSets.emplace_back();
            for (const Stored* stored : *bucket)
                for (const File* file : stored->files) {
                    set.push_back(*file);
                    set.back().digest = *stored->digest;
                    paths.push_back(file->identity.path);
                }
            if (auto suggestion = detector_.candidate(set))
                findings_.candidates.push_back(std::move(*suggestion));
        }
    }
}

} // namespace

DuplicatesDetector::DuplicatesDetector(int64_t minFileBytes, int64_t minSetFreed,
                                       int64_t maxHashBytes)
    : minFileBytes(minFileBytes)
    , minSetFreed(minSetFreed)
    , maxHashBytes(maxHashBytes) {}

std::vector<DuplicatesDetector::TreeFile>
DuplicatesDetector::personalFiles(const AdvisorContext& context) const {
    std::unordered_set<const Node*> excluded;
    for (const CloudProvider& provider : context.cloudProviders())
        for (const std::string& place : context.places(provider.root))
            if (const Node* folder = context.root->descendant(place))
                excluded.insert(folder);

    std::vector<const Node*> files;
    if (const Node* home = context.node(context.home)) {
        collectFiles(*home, home, minFileBytes, excluded, files);
        return treeFiles(files);
    }
    // A scan of a folder inside the home folder: its files are the user's too, unless the
    // folder lies in one of the home folders left out.
    std::string rootPath = context.root->path();
    for (const std::string& home : context.places(context.home)) {
        if (!rootPath.starts_with(home + "/"))
            continue;
        std::string_view below = std::string_view(rootPath).substr(home.size() + 1);
        if (!isSkippedHomeFolder(below.substr(0, below.find('/'))))
            collectFiles(*context.root, nullptr, minFileBytes, excluded, files);
        break;
    }
    return treeFiles(files);
}

DuplicatesDetector::Findings DuplicatesDetector::find(const AdvisorContext& context) const {
    return find(personalFiles(context), context);
}

DuplicatesDetector::Findings DuplicatesDetector::find(std::vector<TreeFile> files,
                                                      const AdvisorContext& context) const {
    return Search(*this, context).run(std::move(files));
}

Detector::Rest DuplicatesDetector::take(const AdvisorContext& context) const {
    // The search keeps no way into the tree, which changes again once it is taken.
    AdvisorContext withoutTree = context;
    withoutTree.root = nullptr;
    return [detector = *this, withoutTree = std::move(withoutTree),
            files = personalFiles(context)]() mutable {
        return detector.find(std::move(files), withoutTree).candidates;
    };
}

std::optional<Candidate> DuplicatesDetector::keeping(const Candidate& suggestion,
                                                     const std::string& path) const {
    std::vector<File> set;
    for (const DuplicateCopy& copy : suggestion.copies) {
        platform::FileIdentity identity = copy.identity;
        identity.allocated = copy.onDisk;
        set.push_back({.identity = std::move(identity), .digest = copy.digest});
    }
    if (std::ranges::none_of(set, [&](const File& file) { return file.identity.path == path; }))
        return std::nullopt;
    return candidate(set, path);
}

std::optional<Candidate>
DuplicatesDetector::candidate(const std::vector<File>& set,
                              const std::optional<std::string>& kept) const {
    if (set.empty())
        return std::nullopt;
    std::vector<const File*> order;
    for (const File& file : set)
        order.push_back(&file);
    std::stable_sort(order.begin(), order.end(), [](const File* a, const File* b) {
        return std::tie(a->identity.created, a->identity.path) <
               std::tie(b->identity.created, b->identity.path);
    });
    const File& oldest = *order.front();
    auto chosen = std::ranges::find_if(
        order, [&](const File* file) { return kept && file->identity.path == *kept; });
    const File& keep = chosen == order.end() ? oldest : **chosen;
    bool merge = keep.identity.canShareExtents;

    // The copies by stored data. Merging any name of a stored copy shares its data; moving
    // names to the Trash frees it only when no other name of it stays behind.
    std::map<std::string_view, std::vector<const File*>> copiesOfKey;
    int64_t onDisk = 0;
    std::set<std::string> folders;
    for (const File* file : order) {
        onDisk += file->onDisk();
        folders.insert(parentName(file->identity.path));
        if (file->key != keep.key)
            copiesOfKey[file->key].push_back(file);
    }
    std::vector<const File*> copies;
    int64_t freed = 0;
    for (const auto& [key, files] : copiesOfKey) {
        if (!merge && files.size() < files.front()->identity.linkCount)
            continue;
        int64_t largest = 0;
        for (const File* file : files) {
            copies.push_back(file);
            largest = std::max(largest, file->onDisk());
        }
        freed += largest;
    }
    if (copies.empty() || freed < minSetFreed)
        return std::nullopt;
    std::ranges::sort(copies, {}, [](const File* file) { return file->identity.path; });

    std::string count = std::to_string(set.size()) + " identical copies";
    std::vector<Evidence> evidence{
        Evidence::capitalized(Kind::count, count),
        Evidence::capitalized(Kind::note, merge              ? "each keeps its place and name"
                                          : &keep == &oldest ? "the oldest stays; the others go "
                                                               "to the Trash"
                                                             : "the one you chose stays; the "
                                                               "others go to the Trash"),
    };
    if (folders.size() >= 2) {
        std::string names;
        for (const std::string& folder : folders | std::views::take(3))
            names += (names.empty() ? "" : ", ") + folder;
        evidence.push_back(Evidence::capitalized(Kind::location, "in " + names));
    }
    std::string detail =
        count + " of this file. " +
        (merge ? "Merging them keeps every copy where it is, with its name, dates and tags, but "
                 "stores the contents once. Changing one later doesn’t change the others."
               : "This disk can’t store the contents once for all of them, so the other copies "
                 "go to the Trash, from where they can be put back.");
    std::vector<DuplicateCopy> everyCopy;
    for (const File* file : order)
        everyCopy.push_back({file->identity, file->onDisk(), file->digest, file == &keep});
    return Candidate({
        .id = id() + ":" + oldest.identity.path,
        .detector = id(),
        .title = lastPathComponent(keep.identity.path),
        .detail = std::move(detail),
        .category = AdvisorCategory::duplicates,
        .rung = merge ? Rung::lossless : Rung::review,
        .action = merge ? AdvisorAction::mergeDuplicates(keep.identity.path, pathsOf(copies))
                        : AdvisorAction::trashCopies(checked(keep), checkedAll(copies)),
        .freed = freed,
        .onDisk = onDisk,
        .evidence = std::move(evidence),
        .confidence = 1.0,
        // A copy stays, so only the copies' places are at stake.
        .value = merge ? 0.0 : 0.1,
        .copies = std::move(everyCopy),
    });
}

} // namespace tavelin
