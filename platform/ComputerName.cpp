#include "platform/ComputerName.h"

#include "platform/Files.h"

#include <climits>
#include <unistd.h>

namespace tavelin::platform {
namespace {

constexpr std::string_view kKey = "PRETTY_HOSTNAME=";

std::string unquoted(std::string_view value) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
        value.remove_suffix(1);
    if (value.empty() || (value.front() != '"' && value.front() != '\''))
        return std::string(value);
    char quote = value.front();
    std::string text;
    for (size_t i = 1; i < value.size() && value[i] != quote; ++i) {
        if (quote == '"' && value[i] == '\\' && i + 1 < value.size())
            ++i;
        text += value[i];
    }
    return text;
}

} // namespace

std::optional<std::string> prettyHostname(std::string_view machineInfo) {
    for (size_t start = 0; start < machineInfo.size();) {
        size_t end = machineInfo.find('\n', start);
        if (end == std::string_view::npos)
            end = machineInfo.size();
        std::string_view line = machineInfo.substr(start, end - start);
        start = end + 1;
        if (line.starts_with(kKey)) {
            std::string name = unquoted(line.substr(kKey.size()));
            return name.empty() ? std::nullopt : std::optional(name);
        }
    }
    return std::nullopt;
}

std::optional<std::string> computerName() {
    if (auto info = readRegularFile("/etc/machine-info", 65'536))
        if (auto name = prettyHostname(*info))
            return name;
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !*host)
        return std::nullopt;
    return std::string(host);
}

} // namespace tavelin::platform
