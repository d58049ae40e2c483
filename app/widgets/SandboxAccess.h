#pragma once

// Folder access for a sandboxed process ("APP_SANDBOX_CONTAINER_ID" set): it may read only the
// folders the user picked, in this run or an earlier one. A grant is remembered as a bookmark, the
// folder's path kept as raw bytes in the setting "sandboxBookmarks", oldest first, so any name
// survives. Outside the sandbox every folder counts as readable and nothing is stored.
//
// Process-wide, UI thread only.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::SandboxAccess {

// Whether the process runs sandboxed; worked out once.
bool isSandboxed();

// The folders this run may read, in the order granted (a folder granted twice is listed twice).
const std::vector<std::string>& granted();

// True outside the sandbox; inside, when a granted folder is "/", is `path`, or contains it.
[[nodiscard]] bool canRead(const std::string& path);

// Whether `path` may be read, asking the user for the folder first when it may not yet; the data
// volume's paths ask for the whole disk. A folder the user picks is remembered even when it does
// not hold `path`, but then the answer is still no.
[[nodiscard]] bool request(const std::string& path);

// The question that asks for `folder`: "your disk" for "/", else the folder's name.
QString requestMessage(const std::string& folder);

// Records a folder the user picked (sandboxed only): readable from now on and after each launch.
// Nothing is recorded for a location that is not a folder.
void remember(const std::string& location);

// At launch (sandboxed only): grants the remembered folders that are still there and can be
// opened, and forgets the others.
void restore();

// Shows the question for `folder` and answers the folder the user picked, or nothing.
using Ask =
    std::function<std::optional<std::string>(const std::string& folder, const QString& message)>;

// Tests: the state of a fresh process that is `sandboxed` or not, nothing granted, asking
// through `ask`.
void resetForTesting(bool sandboxed, Ask ask);

} // namespace tavelin::SandboxAccess
