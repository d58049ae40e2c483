#include "advisor/reclaim/Reclaim.h"

#include "advisor/Projects.h"
#include "advisor/reclaim/Toolchains.h"
#include "util/Overloaded.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace tavelin::Reclaim {
namespace {

// Items smaller than this are not worth a step of their own.
constexpr int64_t kLeastItemBytes = 1'000'000;
constexpr std::string_view kDeviceSupport = "device-support";
constexpr std::string_view kUnityLibrary = "unity-library";
constexpr std::string_view kUnityEditors = "unity-editors-linux";
// Rules whose items live beside the project folders that build with them: those folders may
// pin a toolchain.
constexpr std::array<std::string_view, 3> kProjectOutputs{"cargo-target", "python-venv",
                                                          "python-venv-requirements"};

std::optional<Toolchains::Manager> toolchainManager(std::string_view ruleID) {
    if (ruleID == "rustup-toolchains")
        return Toolchains::Manager::rustup;
    if (ruleID == "python-versions")
        return Toolchains::Manager::pyenv;
    return std::nullopt;
}

// Folders of installed programs. Their "node_modules" beside a "package.json" (npm itself, apps
// built on web engines, editor extensions) or ".venv" belong to the program and are not
// rebuilt by anyone if cleared, so `named` rules never look inside them.
constexpr std::array<std::string_view, 8> kInstalledSoftware{
    "/usr",
    "/opt",
    "/snap",
    "/var/lib",
    "/nix",
    ".local/share/flatpak",
    ".vscode/extensions",
    ".vscode-server",
};

// What a device-support folder's name tells: "iPhone17,1 26.0 (23A341)" is the device
// "iPhone17,1", version 26.0 and build "(23A341)".
struct SymbolsFolder {
    std::string device;
    std::vector<int64_t> version;
    std::string build;

    // Nothing for names of fewer than two space-separated pieces.
    static std::optional<SymbolsFolder> parse(std::string_view name);
    // Later folders replace the kept one when their version is higher (a longer version that
    // starts like the shorter is higher), or equal with a build that sorts after.
    bool isNewerThan(const SymbolsFolder& kept) const {
        return kept.version < version || (version == kept.version && kept.build < build);
    }
};

std::optional<SymbolsFolder> SymbolsFolder::parse(std::string_view name) {
    auto words = pieces(name, ' ');
    if (words.size() < 2)
        return std::nullopt;
    SymbolsFolder folder{std::string(words[0]), {}, {}};
    for (std::string_view part : pieces(words[1], '.')) {
        int64_t number = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), number);
        bool whole = error == std::errc() && end == part.data() + part.size() && part[0] != '-';
        if (whole)
            folder.version.push_back(number);
    }
    size_t open = name.find('(');
    size_t close = open == std::string_view::npos ? open : name.find(')', open);
    if (close != std::string_view::npos)
        folder.build = std::string(name.substr(open, close - open + 1));
    return folder;
}

// The editor version on the "m_EditorVersion:" line of a Unity ProjectVersion.txt.
std::optional<std::string> editorVersion(std::string_view text) {
    constexpr std::string_view kKey = "m_EditorVersion:";
    // Carriage returns too: the file travels between systems in repositories.
    constexpr std::string_view kBlank = " \t\r";
    for (std::string_view line : pieces(text, '\n')) {
        if (!line.starts_with(kKey))
            continue;
        line.remove_prefix(kKey.size());
        size_t first = line.find_first_not_of(kBlank);
        if (first == std::string_view::npos)
            return std::string();
        return std::string(line.substr(first, line.find_last_not_of(kBlank) - first + 1));
    }
    return std::nullopt;
}

class Finder {
public:
    Finder(Node& root, std::string_view home, const std::vector<ReclaimRule>& rules,
           const AdvisorContext::FileExists& fileExists, const AdvisorContext::ReadFile& readFile)
        : root_(root)
        , home_(home)
        , rules_(rules)
        , fileExists_(fileExists)
        , readFile_(readFile)
        , items_(rules.size()) {}

    std::vector<ReclaimGroup> run() {
        for (size_t rule = 0; rule < rules_.size(); ++rule)
            matchPlaces(rule);
        matchNamed();
        for (size_t rule = 0; rule < rules_.size(); ++rule)
            if (rules_[rule].id == kDeviceSupport)
                markNewestSymbols(items_[rule]);
        markEditorsInUse();
        markToolchainsInUse();
        attachProjects();
        return groups();
    }

private:
    // Only the first rule to reach a node gets it, and only a node big enough to matter (the
    // Trash whatever it holds: emptying it is the one step that deletes). An item never holds
    // another nor lies inside one, so no space is offered twice.
    void claim(size_t rule, Node& node, std::optional<std::string> inUse = std::nullopt) {
        int64_t least = rules_[rule].deletesPermanently ? 1 : kLeastItemBytes;
        if (node.size < least || holdsClaimed_.contains(&node) || liesInClaimed(node) ||
            !claimed_.insert(&node).second)
            return;
        const Node* above = node.parent();
        while (above && holdsClaimed_.insert(above).second)
            above = above->parent();
        items_[rule].push_back({node.shared_from_this(), std::move(inUse), std::nullopt});
    }

    bool liesInClaimed(const Node& node) const {
        for (const Node* above = node.parent(); above; above = above->parent())
            if (claimed_.contains(above))
                return true;
        return false;
    }

    Node* nodeAt(std::string_view location) const {
        return AdvisorContext::node(root_, location, home_);
    }

    void matchPlaces(size_t rule) {
        using Match = ReclaimRule::Match;
        std::visit(Overloaded{
                       [&](const Match::Location& match) {
                           if (Node* found = nodeAt(match.location))
                               claim(rule, *found);
                       },
                       [&](const Match::Contents& match) {
                           Node* folder = nodeAt(match.of);
                           for (const auto& child : folder ? folder->children() : kNone)
                               if (!child->isPseudo() && match.filter.passes(child->name))
                                   claim(rule, *child);
                       },
                       [&](const Match::InEach& match) {
                           Node* folder = nodeAt(match.of);
                           for (const auto& entry : folder ? folder->children() : kNone)
                               if (Node* inner = childNamed(*entry, match.named))
                                   claim(rule, *inner);
                       },
                       [&](const Match::Trashes& match) {
                           if (Node* found = nodeAt(match.home))
                               claim(rule, *found);
                       },
                       [](const Match::Named&) {},
                   },
                   rules_[rule].match.value);
    }

    static Node* childNamed(const Node& folder, std::string_view name) {
        for (const auto& child : folder.children())
            if (child->name == name)
                return child.get();
        return nullptr;
    }

    // The node at a relative path below `folder`, by names; nullptr when the tree has none.
    static Node* below(Node& folder, std::string_view relative) {
        Node* node = &folder;
        for (std::string_view name : pieces(relative, '/'))
            if (!(node = childNamed(*node, name)))
                return nullptr;
        return node;
    }

    // The Trash folders disks keep at the top of a mount or subvolume, by their first name.
    std::vector<std::pair<size_t, std::string_view>> topTrashes() const {
        std::vector<std::pair<size_t, std::string_view>> found;
        for (size_t rule = 0; rule < rules_.size(); ++rule)
            if (const auto* trashes =
                    std::get_if<ReclaimRule::Match::Trashes>(&rules_[rule].match.value))
                for (const std::string& top : trashes->atTop)
                    found.emplace_back(rule, top);
        return found;
    }

    // Claims the Trash a disk keeps in `folder` when `child` begins its path. Returns whether
    // `child` is one or holds one, so the walk leaves it.
    bool claimTopTrash(const std::vector<std::pair<size_t, std::string_view>>& tops, Node& folder,
                       Node& child) {
        bool met = false;
        for (const auto& [rule, top] : tops) {
            if (pieces(top, '/').front() != child.name)
                continue;
            met = true;
            if (Node* trash = below(folder, top))
                claim(rule, *trash);
        }
        return met;
    }

    void matchNamed() {
        std::unordered_map<std::string_view, std::vector<size_t>> byName;
        for (size_t rule = 0; rule < rules_.size(); ++rule)
            if (const auto* named =
                    std::get_if<ReclaimRule::Match::Named>(&rules_[rule].match.value))
                byName[named->name].push_back(rule);
        auto tops = topTrashes();
        if (byName.empty() && tops.empty())
            return;
        std::unordered_set<const Node*> fenced;
        for (std::string_view software : kInstalledSoftware) {
            if (Node* found = nodeAt(software))
                fenced.insert(found);
        }
        // A scan of a folder inside installed software is all software.
        if (fenced.contains(&root_) || isInsideSoftware(root_.path()))
            return;

        std::vector<Node*> stack{&root_};
        while (!stack.empty()) {
            Node* folder = stack.back();
            stack.pop_back();
            std::string folderPath; // worked out on the first name that matches
            for (const auto& child : folder->children()) {
                if (child->name == ".git")
                    repositories_.push_back(folder);
                if (!child->isDirectory() || claimed_.contains(child.get()) ||
                    fenced.contains(child.get()) || claimTopTrash(tops, *folder, *child))
                    continue;
                auto rules = byName.find(child->name);
                if (rules != byName.end() && child->size >= 1 &&
                    claimNamed(rules->second, *folder, folderPath, *child))
                    continue;
                stack.push_back(child.get());
            }
        }
    }

    bool isInsideSoftware(std::string_view path) const {
        for (std::string_view software : kInstalledSoftware)
            for (const std::string& place : AdvisorContext::places(software, home_))
                if (path.starts_with(place) && path.size() > place.size() &&
                    path[place.size()] == '/')
                    return true;
        return false;
    }

    // Tries the rules that share the child's name, in table order; the first whose siblings are
    // all beside it claims it. Returns whether the child was claimed.
    bool claimNamed(const std::vector<size_t>& rules, const Node& folder, std::string& folderPath,
                    Node& child) {
        if (folderPath.empty())
            folderPath = folder.path();
        for (size_t rule : rules) {
            const auto& named = std::get<ReclaimRule::Match::Named>(rules_[rule].match.value);
            bool beside = std::ranges::all_of(named.siblings, [&](const std::string& sibling) {
                return fileExists_(joinPath(folderPath, sibling));
            });
            if (!beside)
                continue;
            claim(rule, child, inUseWhenClaimed(rule, folderPath));
            return claimed_.contains(&child);
        }
        return false;
    }

    std::optional<std::string> inUseWhenClaimed(size_t rule, const std::string& projectPath) const {
        if (rules_[rule].id == kUnityLibrary &&
            fileExists_(joinPath(projectPath, "Temp/UnityLockfile")))
            return "Unity has this project open";
        return std::nullopt;
    }

    static void markNewestSymbols(std::vector<ReclaimItem>& items) {
        std::map<std::string, std::pair<size_t, SymbolsFolder>> newest;
        for (size_t i = 0; i < items.size(); ++i) {
            auto folder = SymbolsFolder::parse(items[i].node->name);
            if (!folder)
                continue;
            auto [kept, added] = newest.try_emplace(folder->device, i, *folder);
            if (!added && folder->isNewerThan(kept->second.second))
                kept->second = {i, std::move(*folder)};
        }
        for (const auto& [device, kept] : newest)
            items[kept.first].inUse = "Newest for this device, likely what it runs";
    }

    // Editor versions the Unity projects in the tree use, with the projects' folder names.
    std::map<std::string, std::set<std::string>> editorsInUse() const {
        std::map<std::string, std::set<std::string>> users;
        for (size_t rule = 0; rule < rules_.size(); ++rule) {
            if (rules_[rule].id != kUnityLibrary)
                continue;
            for (const ReclaimItem& item : items_[rule]) {
                const Node* project = item.node->parent();
                if (!project)
                    continue;
                auto text =
                    readFile_(joinPath(project->path(), "ProjectSettings/ProjectVersion.txt"));
                if (auto version = text ? editorVersion(*text) : std::nullopt)
                    users[*version].insert(project->name);
            }
        }
        return users;
    }

    void markEditorsInUse() {
        auto users = editorsInUse();
        if (users.empty())
            return;
        for (size_t rule = 0; rule < rules_.size(); ++rule) {
            if (rules_[rule].id != kUnityEditors)
                continue;
            for (ReclaimItem& item : items_[rule]) {
                auto found = users.find(item.node->name);
                if (found == users.end())
                    continue;
                std::vector<std::string> names(found->second.begin(), found->second.end());
                item.inUse = "Used by " + listText(names);
            }
        }
    }

    // Folders that may pin a toolchain: the home folder, repositories, and the projects whose
    // build output or environment was found.
    std::vector<std::string> projectFolders() const {
        std::set<std::string> folders{home_};
        for (const Node* repository : repositories_)
            folders.insert(repository->path());
        for (size_t rule = 0; rule < rules_.size(); ++rule)
            if (std::ranges::find(kProjectOutputs, rules_[rule].id) != kProjectOutputs.end())
                for (const ReclaimItem& item : items_[rule])
                    if (const Node* project = item.node->parent())
                        folders.insert(project->path());
        return {folders.begin(), folders.end()};
    }

    void markToolchainsInUse() {
        std::optional<std::vector<std::string>> folders;
        for (size_t rule = 0; rule < rules_.size(); ++rule) {
            auto manager = toolchainManager(rules_[rule].id);
            if (!manager || items_[rule].empty())
                continue;
            if (!folders)
                folders = projectFolders();
            Toolchains::InUse inUse = Toolchains::read(*manager, home_, *folders, readFile_);
            for (ReclaimItem& item : items_[rule])
                if (!item.inUse)
                    item.inUse = Toolchains::reason(*manager, item.node->name, inUse);
        }
    }

    void attachProjects() {
        Projects::Cache cache;
        for (auto& items : items_)
            for (ReclaimItem& item : items)
                item.project = Projects::owner(*item.node, home_, fileExists_, readFile_, cache);
    }

    std::vector<ReclaimGroup> groups() {
        std::vector<std::pair<int64_t, ReclaimGroup>> found;
        for (size_t rule = 0; rule < rules_.size(); ++rule) {
            if (items_[rule].empty())
                continue;
            ReclaimGroup group{rules_[rule], std::move(items_[rule])};
            found.emplace_back(group.freed(), std::move(group));
        }
        std::ranges::stable_sort(found, std::greater<>(),
                                 [](const auto& entry) { return entry.first; });
        std::vector<ReclaimGroup> result;
        result.reserve(found.size());
        for (auto& entry : found)
            result.push_back(std::move(entry.second));
        return result;
    }

    static inline const std::vector<Node::Ptr> kNone;

    Node& root_;
    std::string home_;
    const std::vector<ReclaimRule>& rules_;
    const AdvisorContext::FileExists& fileExists_;
    const AdvisorContext::ReadFile& readFile_;
    std::vector<std::vector<ReclaimItem>> items_; // per rule, in claim order
    std::unordered_set<const Node*> claimed_;
    std::unordered_set<const Node*> holdsClaimed_; // the claimed items' ancestors
    std::vector<const Node*> repositories_;        // folders holding a ".git", as walked
};

} // namespace

std::vector<ReclaimGroup> find(Node& root, std::string_view home,
                               const std::vector<ReclaimRule>& rules,
                               const AdvisorContext::FileExists& fileExists,
                               const AdvisorContext::ReadFile& readFile) {
    return Finder(root, home, rules, fileExists, readFile).run();
}

} // namespace tavelin::Reclaim
