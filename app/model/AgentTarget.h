#pragma once

// An AI agent or chat that can receive a report, and how the report reaches it.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavelin {

struct AgentTarget {
    // A command-line agent, run in the user's terminal with the prompt.
    struct Terminal {
        std::string executable; // absolute
        std::vector<std::string> arguments;
        bool operator==(const Terminal&) const = default;
    };
    // A chat page that takes the text in its query key `q`.
    struct Link {
        std::string base; // up to and including "?q="
        bool operator==(const Link&) const = default;
    };
    // An application that opens the report file; the prompt goes to the clipboard.
    struct OpenFile {
        std::string appPath; // the application's desktop entry
        bool operator==(const OpenFile&) const = default;
    };
    using Handoff = std::variant<Terminal, Link, OpenFile>;

    std::string id;
    std::string name;
    std::string detail;
    // The related application's desktop entry, whose icon the target shows.
    std::optional<std::string> appPath;
    Handoff handoff;
    std::optional<std::string> bundledIcon;
    // The related application's own icon (its desktop entry's Icon=): a name in the icon theme
    // or a path; empty when there is none.
    std::string appIcon{};

    bool isTerminal() const { return std::holds_alternative<Terminal>(handoff); }
    bool isLink() const { return std::holds_alternative<Link>(handoff); }

    bool operator==(const AgentTarget&) const = default;
};

} // namespace tavelin
