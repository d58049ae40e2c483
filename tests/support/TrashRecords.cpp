#include "support/TrashRecords.h"

#include "platform/Trash.h"

#include <filesystem>
#include <fstream>

namespace tavelin::test {
namespace {

std::string urlDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace

void clearHomeTrash() {
    std::filesystem::remove_all(platform::homeTrash());
}

std::string infoFileOf(const std::string& trashed) {
    std::filesystem::path item(trashed);
    return (item.parent_path().parent_path() / "info" / item.filename()).string() + ".trashinfo";
}

std::optional<TrashInfo> readTrashInfo(const std::string& infoFile) {
    std::ifstream in(infoFile);
    std::string line;
    if (!in || !std::getline(in, line) || line != "[Trash Info]")
        return std::nullopt;
    std::optional<std::string> path, date;
    while (std::getline(in, line)) {
        if (line.starts_with("Path="))
            path = urlDecoded(line.substr(5));
        else if (line.starts_with("DeletionDate="))
            date = line.substr(13);
    }
    if (!path || !date)
        return std::nullopt;
    return TrashInfo{*path, *date};
}

} // namespace tavelin::test
