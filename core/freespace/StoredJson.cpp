#include "freespace/StoredJson.h"

#include "platform/AtomicFile.h"
#include "platform/PrivateFiles.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tavelin::StoredJson {

namespace fs = std::filesystem;

Contents read(const fs::path& file) {
    std::error_code error;
    fs::file_status status = fs::symlink_status(file, error);
    if (error || !fs::exists(status))
        return {};
    Contents contents{true, std::nullopt};
    uintmax_t size = fs::file_size(file, error);
    if (error || size > kMaxBytes)
        return contents;
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!(in && text << in.rdbuf()))
        return contents;
    nlohmann::json json = nlohmann::json::parse(std::move(text).str(), nullptr, false);
    if (!json.is_discarded())
        contents.json = std::move(json);
    return contents;
}

void keepAside(const fs::path& file) {
    fs::path aside = file;
    aside += ".broken";
    std::error_code ignored;
    fs::rename(file, aside, ignored);
}

std::error_code write(const fs::path& file, const nlohmann::json& json) {
    if (std::error_code error = platform::makePrivateFolder(file.parent_path()))
        return error;
    return platform::replaceFile(
        file, json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace tavelin::StoredJson
