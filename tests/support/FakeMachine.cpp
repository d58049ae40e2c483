#include "support/FakeMachine.h"

namespace tavelin::test {
namespace {

template <typename Map, typename Key>
std::optional<typename Map::mapped_type> lookUp(const Map& map, const Key& key) {
    auto found = map.find(key);
    return found == map.end() ? std::nullopt : std::optional(found->second);
}

} // namespace

AdvisorContext FakeMachine::context(Node::Ptr root, std::string home, Date now) const {
    return {
        .root = root,
        .home = std::move(home),
        .sandboxed = false,
        .now = now,
        .lastUsed = [this](const std::string& path) { return lookUp(lastUsedDates, path); },
        .fileExists =
            [this, root](const std::string& path) {
                return files.contains(path) || texts.contains(path) ||
                       (root && root->descendant(path));
            },
        .readFile = [this](const std::string& path) { return lookUp(texts, path); },
        .ownBytes =
            [this](const std::string& path) {
                auto found = ownSizes.find(path);
                return found == ownSizes.end() ? int64_t{0} : found->second;
            },
        .installedBundleIDs = [this] { return installedNames; },
        .cloudProviders = [this] { return cloudFolders; },
        .userFolders = userFolders,
        .installedApps = [this] { return apps; },
        .listFolder = [this](const std::string& path) { return lookUp(listings, path); },
        .translate =
            [this](const std::string& domain, const std::string& text) {
                return lookUp(translations, std::pair(domain, text));
            },
        .findProgram = [this](const std::string& name) { return lookUp(programs, name); },
        .linkTarget = [this](const std::string& path) { return lookUp(links, path); },
        .kernelRelease = kernel,
    };
}

} // namespace tavelin::test

namespace tavelin {

void PrintTo(const Candidate& c, std::ostream* out) {
    *out << "{id " << c.id << ", detector " << c.detector << ", title " << c.title << ", category "
         << rawValue(c.category) << ", rung " << rawValue(c.rung) << ", paths [";
    for (const auto& path : c.paths())
        *out << path << ";";
    *out << "], freed " << c.freed << ", onDisk " << c.onDisk << ", project "
         << (c.project ? c.project->root + " (" + c.project->name + ")" : "none") << ", evidence [";
    for (const auto& line : c.evidence)
        *out << rawValue(line.kind) << ": " << line.text << ";";
    *out << "], blocked " << c.blocked.value_or("no") << ", confidence " << c.confidence
         << ", minutes " << c.rebuildMinutes << ", download " << c.redownloadGB << ", value "
         << c.value << ", cost " << c.cost << ", detail " << c.detail << "}";
}

} // namespace tavelin
