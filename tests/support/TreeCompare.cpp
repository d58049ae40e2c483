#include "support/TreeCompare.h"

#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "scan/TreeScanner.h"

#include <algorithm>
#include <map>

namespace tavelin::test {
namespace {

// The date in whole units, rounded toward the past.
int64_t inUnits(Date date, std::chrono::nanoseconds unit) {
    int64_t nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(date.time_since_epoch()).count();
    return nanoseconds / unit.count() - (nanoseconds % unit.count() < 0 ? 1 : 0);
}

std::string figuresDifference(const Node& a, const Node& b, std::chrono::nanoseconds datesTo) {
    auto differs = [](const char* what, int64_t x, int64_t y) {
        return x == y ? std::string()
                      : std::string(what) + " " + std::to_string(x) + " vs " + std::to_string(y);
    };
    for (std::string found :
         {differs("size", a.size, b.size), differs("unique", a.unique, b.unique),
          differs("files", a.fileCount, b.fileCount),
          differs("small files", a.smallFileCount, b.smallFileCount),
          differs("small size", a.smallFileSize, b.smallFileSize),
          differs("small unique", a.smallFileUnique, b.smallFileUnique),
          differs("apparent", a.apparent, b.apparent),
          differs("small apparent", a.smallFileApparent, b.smallFileApparent),
          differs("kind", static_cast<int>(a.kind()), static_cast<int>(b.kind())),
          differs("unreadable", a.isUnreadable, b.isUnreadable),
          differs("needs access", a.needsAccess, b.needsAccess),
          differs("scanning", a.isScanning, b.isScanning),
          differs("modified", inUnits(a.modified, datesTo), inUnits(b.modified, datesTo))})
        if (!found.empty())
            return found;
    return {};
}

std::map<std::string, const Node*> byName(const Node& node) {
    std::map<std::string, const Node*> children;
    for (const auto& child : node.children())
        children.emplace(child->name, child.get());
    return children;
}

} // namespace

// The deepest difference first: a folder's figures differ whenever something beneath it does.
std::string treeDifference(const Node& shown, const Node& expected,
                           std::chrono::nanoseconds datesTo) {
    auto left = byName(shown);
    auto right = byName(expected);
    for (const auto& [name, child] : left)
        if (!right.contains(name))
            return child->path() + ": not on disk";
    for (const auto& [name, child] : right) {
        auto found = left.find(name);
        if (found == left.end())
            return shown.path() + ": lacks " + name;
        if (std::string difference = treeDifference(*found->second, *child, datesTo);
            !difference.empty())
            return difference;
    }
    std::string found = figuresDifference(shown, expected, datesTo);
    return found.empty() ? found : shown.path() + ": " + found;
}

Node::Ptr freshScan(const std::string& path, int64_t threshold) {
    ScanCounter counter;
    LinkSet links;
    PathSet skip;
    return TreeScanner::scan(
        path, {.counter = counter, .links = links, .skip = skip, .threshold = threshold});
}

} // namespace tavelin::test
