#include "platform/InstalledApp.h"

#include "platform/Files.h"
#include "platform/KeyFile.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMetadataLimit = 64 << 10;

std::string canonicalOr(const std::string& path) {
    std::error_code error;
    auto real = fs::canonical(path, error);
    return error ? path : real.string();
}

// `path` lies inside `folder` (not at it).
bool within(std::string_view path, std::string_view folder) {
    if (folder.ends_with('/'))
        return path.size() > folder.size() && path.starts_with(folder);
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           path[folder.size()] == '/';
}

bool hasAppImageExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".appimage";
}

// Named "*.AppImage", or an ELF file carrying the AppImage mark ("AI" and the format's type,
// 1 or 2) at offset 8.
bool isAppImage(const std::string& path) {
    if (hasAppImageExtension(path))
        return true;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    unsigned char head[11];
    return fd && ::pread(fd.get(), head, sizeof head, 0) == sizeof head &&
           std::memcmp(head,
                       "\x7f"
                       "ELF",
                       4) == 0 &&
           head[8] == 'A' && head[9] == 'I' && (head[10] == 1 || head[10] == 2);
}

// The user may move it to the Trash: its folder lets them remove entries, and a folder, which
// changes its parent, is writable itself.
bool removable(const std::string& path) {
    std::error_code error;
    bool folder = fs::is_directory(fs::symlink_status(path, error));
    std::string parent = fs::path(path).parent_path().string();
    return ::access(parent.c_str(), W_OK | X_OK) == 0 &&
           (!folder || ::access(path.c_str(), W_OK) == 0);
}

std::vector<std::string> sortedNames(const std::string& folder, bool foldersOnly) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator list(folder, error), end; !error && list != end;
         list.increment(error)) {
        std::error_code typeError;
        if (!foldersOnly || list->is_directory(typeError))
            names.push_back(list->path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

// The word that names the program: "env" and the variables it sets come first in some entries.
std::string_view launchWord(const std::vector<std::string>& exec) {
    size_t word = 0;
    if (word < exec.size() && exec[word] == "env")
        for (++word; word < exec.size() && exec[word].find('=') != std::string::npos;)
            ++word;
    return word < exec.size() ? std::string_view(exec[word]) : std::string_view();
}

class Finder {
public:
    explicit Finder(const AppSources& sources)
        : sources_(sources)
        , home_(canonicalOr(sources.home))
        , opt_(canonicalOr(sources.optFolder))
        , entries_(sources.desktopEntries()) {}

    std::vector<InstalledApp> run() {
        if (auto flatpak = sources_.program("flatpak", "")) {
            addFlatpaks(sources_.userFlatpak, {*flatpak, "uninstall", "--user"});
            // Run without a terminal, Flatpak must be told not to ask questions, and then it
            // also never asks for the password a system-wide change needs; pkexec asks for it
            // instead, where it is there.
            std::vector<std::string> systemWide{*flatpak, "uninstall", "--system"};
            if (auto pkexec = sources_.program("pkexec", ""))
                systemWide.insert(systemWide.begin(), *pkexec);
            addFlatpaks(sources_.systemFlatpak, std::move(systemWide));
        }
        for (const DesktopEntry& entry : entries_)
            addRunBy(entry);
        addApplicationsFolder();
        return std::move(apps_);
    }

private:
    void add(InstalledApp app) {
        if (seen_.insert(app.path).second)
            apps_.push_back(std::move(app));
    }

    const DesktopEntry* entry(std::string_view id) const {
        auto found = std::ranges::find(entries_, id, &DesktopEntry::id);
        return found == entries_.end() ? nullptr : &*found;
    }

    bool inApplications(const DesktopEntry& entry, const std::string& dataFolder) const {
        return within(entry.file, dataFolder + "/applications");
    }

    std::string usersOwnEntry(const DesktopEntry& entry) const {
        bool own = !sources_.dataFolders.empty() && inApplications(entry, sources_.dataFolders[0]);
        return own ? entry.file : std::string();
    }

    bool isLocal(const DesktopEntry& entry) const {
        return std::ranges::any_of(sources_.localDataFolders, [&](const std::string& folder) {
            return inApplications(entry, folder);
        });
    }

    // The program Flatpak starts for the app: its metadata's command, inside the deployed files.
    static std::string flatpakProgram(const std::string& app) {
        std::string active = app + "/current/active";
        auto metadata = readRegularFile((active + "/metadata").c_str(), kMetadataLimit);
        auto group = metadata ? keyFileGroup(*metadata, "Application") : std::nullopt;
        if (!group)
            return {};
        auto line = std::ranges::find(*group, "command", &KeyFileLines::value_type::first);
        if (line == group->end() || line->second.empty())
            return {};
        std::string_view command = line->second;
        std::string path;
        if (command.starts_with("/app/"))
            path = active + "/files/" + std::string(command.substr(5));
        else if (command.find('/') == std::string_view::npos)
            path = active + "/files/bin/" + std::string(command);
        std::error_code error;
        auto real = path.empty() ? fs::path() : fs::canonical(path, error);
        return path.empty() || error || !fs::is_regular_file(real, error) ? std::string()
                                                                          : real.string();
    }

    // The remote whose refs hold the app: the one it was installed from.
    static std::string origin(const std::string& installation, const std::string& id) {
        std::string remotes = installation + "/repo/refs/remotes";
        for (const std::string& remote : sortedNames(remotes, true))
            if (pathExists((remotes + "/" + remote + "/app/" + id).c_str()))
                return remote;
        return {};
    }

    // `uninstall`: the command that uninstalls an app of this installation, without the id.
    void addFlatpaks(const std::string& installation, std::vector<std::string> uninstall) {
        uninstall.emplace_back("--noninteractive");
        std::string folder = installation + "/app";
        for (const std::string& id : sortedNames(folder, true)) {
            std::string path = folder + "/" + id;
            std::error_code error;
            if (fs::is_symlink(path, error))
                continue;
            const DesktopEntry* own = entry(id);
            std::vector<std::string> command = uninstall;
            command.push_back(id);
            add({
                .kind = InstalledApp::Kind::flatpak,
                .name = own ? own->name : id.substr(id.rfind('.') + 1),
                .id = id,
                .path = path,
                .executable = flatpakProgram(path),
                .origin = origin(installation, id),
                .uninstall = std::move(command),
            });
        }
    }

    void addRunBy(const DesktopEntry& entry) {
        auto program = sources_.program(launchWord(entry.exec), entry.workingFolder);
        if (!program)
            return;
        if (within(*program, home_) && isAppImage(*program) && removable(*program)) {
            add({.kind = InstalledApp::Kind::appImage,
                 .name = entry.name,
                 .id = entry.id,
                 .path = *program,
                 .executable = *program,
                 .desktopEntry = usersOwnEntry(entry)});
            return;
        }
        if (!within(*program, opt_) || !isLocal(entry))
            return;
        std::string_view rest = std::string_view(*program).substr(opt_.size() + 1);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return;
        std::string folder = opt_ + "/" + std::string(rest.substr(0, slash));
        if (removable(folder))
            add({.kind = InstalledApp::Kind::optFolder,
                 .name = entry.name,
                 .id = entry.id,
                 .path = folder,
                 .executable = *program,
                 .desktopEntry = usersOwnEntry(entry)});
    }

    void addApplicationsFolder() {
        std::string folder = sources_.home + "/Applications";
        for (const std::string& name : sortedNames(folder, false)) {
            std::error_code error;
            auto real = fs::canonical(folder + "/" + name, error);
            std::string path = real.string();
            if (error || !within(path, home_) || !fs::is_regular_file(real, error) ||
                !isAppImage(path) || !removable(path))
                continue;
            std::string title =
                hasAppImageExtension(real) ? real.stem().string() : real.filename().string();
            add({.kind = InstalledApp::Kind::appImage,
                 .name = std::move(title),
                 .path = path,
                 .executable = path});
        }
    }

    const AppSources& sources_;
    std::string home_;
    std::string opt_;
    std::vector<DesktopEntry> entries_;
    std::vector<InstalledApp> apps_;
    std::set<std::string> seen_;
};

} // namespace

std::vector<InstalledApp> InstalledApp::find(const AppSources& sources) {
    return Finder(sources).run();
}

} // namespace tavelin::platform
