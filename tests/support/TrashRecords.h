#pragma once

// Reads what a freedesktop Trash records about an item, independently of the code that writes
// it, so tests check the stored format rather than the writer's own idea of it.

#include <optional>
#include <string>

namespace tavelin::test {

struct TrashInfo {
    std::string path; // the decoded Path= value, as written (absolute or relative)
    std::string deletionDate;
};

// Removes the home Trash, which every test of a run shares, so a test starts with none.
void clearHomeTrash();

// The info file that belongs to an item in a Trash's files/ folder.
std::string infoFileOf(const std::string& trashed);

// The info file's fields; nothing when it is missing or lacks the header or either key.
std::optional<TrashInfo> readTrashInfo(const std::string& infoFile);

} // namespace tavelin::test
