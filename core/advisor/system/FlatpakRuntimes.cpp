#include "advisor/system/FlatpakRuntimes.h"

#include "platform/KeyFile.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <map>
#include <set>

namespace tavelin::FlatpakRuntimes {
namespace {

constexpr std::string_view kExtension = "Extension ";

struct Ref {
    std::string id, arch, branch;
    std::string text() const { return id + "/" + arch + "/" + branch; }
};

// The refs installed under a kind's folder ("app" or "runtime"): id/arch/branch folders.
std::vector<std::pair<Ref, const Node*>> installed(Node& installation, std::string_view kind) {
    std::vector<std::pair<Ref, const Node*>> refs;
    const Node* top = installation.descendant(joinPath(installation.path(), kind));
    for (const auto& id : top ? top->children() : std::vector<Node::Ptr>{})
        for (const auto& arch : id->children())
            for (const auto& branch : arch->children())
                if (id->isDirectory() && arch->isDirectory() && branch->isDirectory())
                    refs.push_back({{id->name, arch->name, branch->name}, branch.get()});
    return refs;
}

std::optional<std::string> value(std::string_view text, std::string_view group,
                                 std::string_view key) {
    auto lines = platform::keyFileGroup(text, group);
    for (const auto& [name, found] : lines ? *lines : platform::KeyFileLines{})
        if (name == key)
            return std::string(found);
    return std::nullopt;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (std::string_view part : pieces(text, separator))
        if (part = trimmed(part); !part.empty())
            parts.emplace_back(part);
    return parts;
}

// Works out the refs in use, starting from the apps.
class Usage {
public:
    Usage(std::vector<std::pair<Ref, const Node*>> runtimes,
          const AdvisorContext::ReadFile& readFile)
        : runtimes_(std::move(runtimes))
        , readFile_(readFile) {}

    // An app's metadata: its runtime and SDK, and the extensions it takes. False when it
    // cannot be read.
    bool addApp(const Ref& app, const Node& folder) {
        auto metadata = readFile_(joinPath(folder.path(), "active/metadata"));
        if (!metadata)
            return false;
        for (std::string_view key : {"runtime", "sdk"})
            if (auto ref = value(*metadata, "Application", key))
                use(*ref);
        addExtensions(*metadata, app);
        return true;
    }

    // Runtimes in use bring in their own extensions, which may be runtimes in turn.
    void addRuntimesInUse() {
        for (size_t next = 0; next < pending_.size(); ++next) {
            const auto& [ref, node] = runtimes_[pending_[next]];
            if (auto metadata = readFile_(joinPath(node->path(), "active/metadata")))
                addExtensions(*metadata, ref);
        }
    }

    void use(const std::string& text) {
        for (size_t i = 0; i < runtimes_.size(); ++i)
            if (runtimes_[i].first.text() == text && used_.insert(i).second)
                pending_.push_back(i);
    }

    std::vector<Runtime> unused() const {
        std::vector<Runtime> found;
        for (size_t i = 0; i < runtimes_.size(); ++i)
            if (!used_.contains(i))
                found.push_back({runtimes_[i].first.text(), runtimes_[i].second});
        return found;
    }

private:
    // Each "[Extension NAME]" group: runtimes named NAME or below it ("NAME.default"), of the
    // extended ref's architecture, on a branch the group accepts (its "versions", else its
    // "version", else the extended ref's own branch).
    void addExtensions(std::string_view metadata, const Ref& extended) {
        for (std::string_view group : platform::keyFileGroupNames(metadata)) {
            if (!group.starts_with(kExtension))
                continue;
            std::string point(group.substr(kExtension.size()));
            std::vector<std::string> branches;
            if (auto versions = value(metadata, group, "versions"))
                branches = split(*versions, ';');
            else if (auto version = value(metadata, group, "version"))
                branches = {*version};
            else
                branches = {extended.branch};
            for (const auto& [ref, node] : runtimes_)
                if ((ref.id == point || ref.id.starts_with(point + ".")) &&
                    ref.arch == extended.arch && std::ranges::count(branches, ref.branch) > 0)
                    use(ref.text());
        }
    }

    std::vector<std::pair<Ref, const Node*>> runtimes_;
    const AdvisorContext::ReadFile& readFile_;
    std::set<size_t> used_;
    std::vector<size_t> pending_; // used runtimes whose own extensions are still to add
};

} // namespace

std::optional<std::vector<Runtime>> unused(Node& installation,
                                           const AdvisorContext::ReadFile& readFile) {
    Usage usage(installed(installation, "runtime"), readFile);
    for (const auto& [app, folder] : installed(installation, "app"))
        if (!usage.addApp(app, *folder))
            return std::nullopt;
    // Pinned runtimes ("runtime/ID/ARCH/BRANCH" entries) stay whatever uses them.
    if (auto config = readFile(joinPath(installation.path(), "repo/config")))
        if (auto pinned = value(*config, "core", "xa.pinned"))
            for (const std::string& entry : split(*pinned, ';'))
                if (entry.starts_with("runtime/"))
                    usage.use(entry.substr(8));
    usage.addRuntimesInUse();
    return usage.unused();
}

} // namespace tavelin::FlatpakRuntimes
