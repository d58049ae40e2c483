#pragma once

// Path texts as the scan tree spells them: absolute, "/"-separated, no trailing slash.

#include <string>
#include <string_view>

namespace tavelin {

// Where the boot disk's data volume shows the user's folders a second time; a scan of the whole
// disk may reach them either way, so lookups try both.
inline constexpr std::string_view kDataVolume = "/System/Volumes/Data";

// Resolves "." and "..", collapses repeated slashes and removes a trailing "/"; "/" stays "/".
// ".." at the top of an absolute path stays at "/"; a relative path keeps leading "..".
std::string standardizedPath(std::string_view path);

// "c" for "/a/b/c"; "/" for "/"; the text itself when it has no "/".
std::string lastPathComponent(std::string_view path);

// "/a/b" for "/a/b/c"; "/" for "/a" and for "/"; "" for a name without "/".
std::string parentPath(std::string_view path);

// A child's path: parent, "/" and name, except that under "/" it is just "/" and the name.
std::string joinPath(std::string_view parent, std::string_view name);
// The same, in place: turns `path` into its child's path (walkers reuse one string for speed).
void appendPathComponent(std::string& path, std::string_view name);

// Whether `path` lies below `folder` (not at it), on a component boundary: "/a/b" is below "/a"
// and "/", "/ab" is not below "/a".
bool isBelow(std::string_view path, std::string_view folder);

// "~" and paths starting "~/" with the home folder in place of "~"; any other path as given.
std::string expandedHome(const std::string& path, const std::string& home);

} // namespace tavelin
