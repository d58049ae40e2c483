#include "support/TemporaryFolder.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tavelin::test {

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = buffer.data();
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    // Folders a test made unreadable must be opened up again before they can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

} // namespace tavelin::test
