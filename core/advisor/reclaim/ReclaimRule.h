#pragma once

// One row of the reclaim table: a well-known place where space can be given back, what to call
// it, and whether its owner rebuilds it or the user must judge.

#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavelin {

struct ReclaimRule {
    // `rebuildable`: the owner rebuilds or downloads it again without the user's involvement;
    // `review`: the user must judge.
    enum class Tier { rebuildable, review };

    // Which entries of a folder a `contents` rule takes.
    struct NameFilter {
        struct Any {
            bool operator==(const Any&) const = default;
        };
        struct Prefix {
            std::string text; // case-sensitive
            bool operator==(const Prefix&) const = default;
        };
        struct Extensions {
            std::set<std::string> lowercased; // compared with the lower-cased extension
            bool operator==(const Extensions&) const = default;
        };

        std::variant<Any, Prefix, Extensions> value;

        static NameFilter any() { return {Any{}}; }
        static NameFilter prefix(std::string text) { return {Prefix{std::move(text)}}; }
        static NameFilter extensions(std::set<std::string> lowercased) {
            return {Extensions{std::move(lowercased)}};
        }

        bool passes(std::string_view name) const;
        bool operator==(const NameFilter&) const = default;
    };

    // Where a rule looks. Locations are home-relative unless they begin with "/".
    struct Match {
        // The folder at the location is the item.
        struct Location {
            std::string location;
            bool operator==(const Location&) const = default;
        };
        // Each entry directly inside the folder at the location that passes the filter.
        struct Contents {
            std::string of;
            NameFilter filter;
            bool operator==(const Contents&) const = default;
        };
        // Anywhere in the tree, a folder with exactly this name whose parent also holds every
        // sibling (marker files such as "package.json").
        struct Named {
            std::string name;
            std::vector<std::string> siblings;
            bool operator==(const Named&) const = default;
        };
        // For each entry directly inside the folder at the location, its own entry with this
        // name: per-app folders of one kind, such as every Flatpak app's "cache". Candidates are
        // called by the outer entry's name, since the items all share one name.
        struct InEach {
            std::string of;
            std::string named;
            bool operator==(const InEach&) const = default;
        };

        // The user's Trash folders: the home Trash at the location, and every folder at one
        // of the `atTop` paths below any folder of the tree (where a disk keeps the Trash at
        // the top of a mount or btrfs subvolume: ".Trash-1000", ".Trash/1000").
        struct Trashes {
            std::string home;
            std::vector<std::string> atTop;
            bool operator==(const Trashes&) const = default;
        };

        std::variant<Location, Contents, Named, InEach, Trashes> value;

        static Match location(std::string location) { return {Location{std::move(location)}}; }
        static Match contents(std::string of, NameFilter filter = NameFilter::any()) {
            return {Contents{std::move(of), std::move(filter)}};
        }
        static Match named(std::string name, std::vector<std::string> siblings) {
            return {Named{std::move(name), std::move(siblings)}};
        }
        static Match inEach(std::string of, std::string named) {
            return {InEach{std::move(of), std::move(named)}};
        }
        static Match trashes(std::string home, std::vector<std::string> atTop) {
            return {Trashes{std::move(home), std::move(atTop)}};
        }

        bool operator==(const Match&) const = default;
    };

    std::string id; // stable; part of candidate ids and of their `detector` key
    std::string title;
    std::string detail;
    std::string symbol;
    Match match;
    bool deletesPermanently = false; // applying empties rather than moves to the Trash
    Tier tier = Tier::rebuildable;

    bool operator==(const ReclaimRule&) const = default;
};

} // namespace tavelin
