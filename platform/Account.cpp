#include "platform/Account.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace tavelin::platform {

std::optional<std::string> passwordHome() {
    std::vector<char> buffer(std::max<long>(::sysconf(_SC_GETPW_R_SIZE_MAX), 16'384));
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir || !*found->pw_dir)
        return std::nullopt;
    return std::string(found->pw_dir);
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    return passwordHome().value_or("/");
}

std::optional<std::string> dataHomeOverride() {
    const char* folder = std::getenv("XDG_DATA_HOME");
    if (!folder || folder[0] != '/')
        return std::nullopt;
    return std::string(folder);
}

std::string dataHome() {
    if (auto data = dataHomeOverride())
        return *data;
    std::string home = homeFolder();
    return home + (home.ends_with('/') ? "" : "/") + ".local/share";
}

} // namespace tavelin::platform
