// The reclaim table. Rows whose folders exist only on other systems simply find nothing here;
// the places Linux users accumulate are the rows after "logic", and, ahead of the generic row
// for ~/.cache, the caches there (and their Flatpak and Snap twins) known by name.

#include "advisor/reclaim/Reclaim.h"
#include "platform/Account.h"
#include "platform/Trash.h"
#include "util/Paths.h"

namespace tavelin::Reclaim {
namespace {

using Tier = ReclaimRule::Tier;
using Match = ReclaimRule::Match;
using NameFilter = ReclaimRule::NameFilter;

// The freedesktop home Trash: in the data folder, which is ".local/share" unless overridden.
std::string homeTrashLocation() {
    if (auto data = platform::dataHomeOverride())
        return joinPath(standardizedPath(*data), "Trash");
    return ".local/share/Trash";
}

ReclaimRule rule(std::string id, std::string title, std::string symbol, Match match, Tier tier,
                 std::string detail) {
    return {std::move(id),
            std::move(title),
            std::move(detail),
            std::move(symbol),
            std::move(match),
            false,
            tier};
}

constexpr const char* kShotwell =
    "Thumbnails and previews Shotwell keeps of your photos. Shotwell makes them again from the "
    "photos, which stay; that takes a while for a big library.";
constexpr const char* kDarktable =
    "Previews darktable keeps of your photos. darktable makes them again as you browse; your "
    "photos, library and edits stay.";
constexpr const char* kSpotify =
    "Songs Spotify keeps to play offline and to start faster. Spotify downloads them again; "
    "playlists you made available offline download again when it is next online.";

ReclaimRule browserCache(std::string id, const std::string& browser, std::string location) {
    return rule(std::move(id), browser + " Cache", "globe", Match::location(std::move(location)),
                Tier::rebuildable,
                "Pages and pictures " + browser +
                    " keeps to open sites faster. Downloaded again as you browse; your "
                    "bookmarks, passwords and history stay.");
}

std::vector<ReclaimRule> makeTable() {
    constexpr Tier rebuildable = Tier::rebuildable;
    constexpr Tier review = Tier::review;
    std::vector<ReclaimRule> rules{
        {"trash", "Trash",
         "Items you already deleted. Emptying the Trash is what gives their space back.", "trash",
         Match::trashes(homeTrashLocation(), platform::topTrashFolders()), true, rebuildable},
        rule("derived-data", "Xcode Build Data", "hammer",
             Match::contents("Library/Developer/Xcode/DerivedData"), rebuildable,
             "Build products and indexes (DerivedData). Xcode rebuilds them on the next build."),
        rule("device-support", "Device Debug Symbols", "iphone",
             Match::contents("Library/Developer/Xcode/iOS DeviceSupport"), rebuildable,
             "Symbols Xcode copied from each device and OS version. Copied again the next time "
             "that device connects."),
        rule("device-support-watch", "Watch Debug Symbols", "applewatch",
             Match::contents("Library/Developer/Xcode/watchOS DeviceSupport"), rebuildable,
             "Symbols Xcode copied from Apple Watch. Copied again when the watch next connects."),
        rule("simulator-caches", "Simulator Caches", "ipad.and.iphone",
             Match::location("Library/Developer/CoreSimulator/Caches"), rebuildable,
             "Caches of the iOS Simulator runtimes. Rebuilt when a simulator next starts."),
        rule("unity-library", "Unity Import Caches", "cube",
             Match::named("Library", {"Assets", "ProjectSettings"}), rebuildable,
             "Each project’s Library folder: imported assets and build caches. Unity rebuilds it "
             "when the project next opens, which can take a long time for big projects."),
        rule("node-modules", "Node Modules", "shippingbox",
             Match::named("node_modules", {"package.json"}), rebuildable,
             "JavaScript dependencies. Reinstalled with npm, yarn or pnpm install."),
        rule("swift-build", "Swift Package Builds", "swift",
             Match::named(".build", {"Package.swift"}), rebuildable,
             "SwiftPM’s .build folders. Rebuilt on the next swift build."),
        rule("cargo-target", "Rust Build Output", "gearshape.2",
             Match::named("target", {"Cargo.toml"}), rebuildable,
             "Cargo’s target folders. Rebuilt on the next cargo build."),
        rule("pods", "CocoaPods", "shippingbox", Match::named("Pods", {"Podfile"}), rebuildable,
             "Installed pods. Reinstalled with pod install."),
        rule("next-build", "Next.js Build Output", "chevron.right.2",
             Match::named(".next", {"package.json"}), rebuildable,
             ".next folders. Rebuilt on the next build or dev run."),
        rule("gradle-project", "Gradle Project Caches", "hammer",
             Match::named(".gradle", {"settings.gradle"}), rebuildable,
             "Per-project .gradle folders. Rebuilt on the next Gradle build."),
        rule("app-caches", "App Caches", "archivebox", Match::contents("Library/Caches"),
             rebuildable,
             "Caches apps keep in ~/Library/Caches. Apps rebuild them as needed; quit an app "
             "before clearing its cache."),
        // What lies in ~/.cache under its own name, ahead of the generic row that would
        // otherwise take each folder there.
        rule("thumbnails", "Thumbnails", "photo", Match::location(".cache/thumbnails"), rebuildable,
             "Small pictures of your files that file managers and photo apps show. Made again "
             "when folders are shown again."),
        browserCache("firefox-cache", "Firefox", ".cache/mozilla"),
        browserCache("firefox-cache-snap", "Firefox", "snap/firefox/common/.cache/mozilla"),
        browserCache("firefox-cache-flatpak", "Firefox", ".var/app/org.mozilla.firefox/cache"),
        browserCache("chrome-cache", "Chrome", ".cache/google-chrome"),
        browserCache("chrome-cache-flatpak", "Chrome", ".var/app/com.google.Chrome/cache"),
        browserCache("chromium-cache", "Chromium", ".cache/chromium"),
        browserCache("chromium-cache-snap", "Chromium", "snap/chromium/common/.cache/chromium"),
        browserCache("chromium-cache-flatpak", "Chromium", ".var/app/org.chromium.Chromium/cache"),
        browserCache("brave-cache", "Brave", ".cache/BraveSoftware"),
        browserCache("brave-cache-flatpak", "Brave", ".var/app/com.brave.Browser/cache"),
        browserCache("vivaldi-cache", "Vivaldi", ".cache/vivaldi"),
        browserCache("edge-cache", "Edge", ".cache/microsoft-edge"),
        browserCache("opera-cache", "Opera", ".cache/opera"),
        rule("fontconfig-cache", "Font Cache", "textformat", Match::location(".cache/fontconfig"),
             rebuildable, "Fontconfig’s index of your fonts. Rebuilt the next time an app starts."),
        rule("mesa-shader-cache", "Shader Cache", "cpu",
             Match::contents(".cache", NameFilter::prefix("mesa_shader_cache")), rebuildable,
             "Graphics shaders Mesa compiled for your games and apps. Compiled again when they "
             "next run, which can make their first minutes stutter."),
        rule("nvidia-shader-cache", "NVIDIA Shader Cache", "cpu",
             Match::location(".cache/nvidia/GLCache"), rebuildable,
             "Graphics shaders the NVIDIA driver compiled for your games and apps. Compiled again "
             "when they next run, which can make their first minutes stutter."),
        rule("pip-cache", "pip Cache", "arrow.down.circle", Match::location(".cache/pip"),
             rebuildable,
             "pip’s downloaded packages and built wheels. Filled again as packages install."),
        rule("yarn-cache", "Yarn Cache", "arrow.down.circle", Match::location(".cache/yarn"),
             rebuildable, "Yarn’s package cache. Filled again as packages install."),
        rule("go-build-cache", "Go Build Cache", "hammer", Match::location(".cache/go-build"),
             rebuildable,
             "Go’s compiled packages and test results. Rebuilt on the next go build (go clean "
             "-cache does the same)."),
        rule("jetbrains-caches", "JetBrains IDE Caches", "hammer",
             Match::contents(".cache/JetBrains"), rebuildable,
             "Indexes and caches of IntelliJ IDEA, PyCharm and the other JetBrains IDEs, one "
             "folder per version. Rebuilt when a project next opens; those of versions you no "
             "longer use can simply go."),
        // Photo managers' thumbnails and previews: made again from the photos, which stay.
        rule("shotwell-thumbnails", "Shotwell Thumbnails", "photo",
             Match::location(".cache/shotwell"), rebuildable, kShotwell),
        rule("shotwell-thumbnails-flatpak", "Shotwell Thumbnails", "photo",
             Match::location(".var/app/org.gnome.Shotwell/cache/shotwell"), rebuildable, kShotwell),
        rule("darktable-previews", "darktable Previews", "photo",
             Match::contents(".cache/darktable", NameFilter::prefix("mipmaps")), rebuildable,
             kDarktable),
        rule("darktable-previews-flatpak", "darktable Previews", "photo",
             Match::contents(".var/app/org.darktable.Darktable/cache/darktable",
                             NameFilter::prefix("mipmaps")),
             rebuildable, kDarktable),
        rule("digikam-thumbnails", "digiKam Thumbnails", "photo",
             Match::location("Pictures/thumbnails-digikam.db"), rebuildable,
             "digiKam’s database of thumbnails. digiKam makes them again from your photos, which "
             "stay; quit digiKam before clearing it."),
        // Music services' offline songs: the service downloads them again.
        rule("spotify-cache", "Spotify Cache", "music.note", Match::location(".cache/spotify"),
             rebuildable, kSpotify),
        rule("spotify-cache-flatpak", "Spotify Cache", "music.note",
             Match::location(".var/app/com.spotify.Client/cache/spotify"), rebuildable, kSpotify),
        rule("spotify-cache-snap", "Spotify Cache", "music.note",
             Match::location("snap/spotify/common/.cache/spotify"), rebuildable, kSpotify),
        rule("dev-caches", "Download Caches", "arrow.down.circle", Match::contents(".cache"),
             rebuildable, "Package and model downloads in ~/.cache. Downloaded again when needed."),
        rule("npm-cache", "npm Cache", "arrow.down.circle", Match::location(".npm/_cacache"),
             rebuildable, "npm’s download cache. Filled again as packages install."),
        rule("pnpm-store", "pnpm Store", "arrow.down.circle", Match::location("Library/pnpm/store"),
             rebuildable, "pnpm’s shared package store. Filled again as packages install."),
        rule("gradle-caches", "Gradle Caches", "arrow.down.circle",
             Match::location(".gradle/caches"), rebuildable,
             "Gradle’s downloaded dependencies. Downloaded again on the next build."),
        rule("cargo-registry", "Cargo Registry", "arrow.down.circle",
             Match::location(".cargo/registry"), rebuildable,
             "Downloaded crates. Downloaded again on the next build."),
        rule("go-modules", "Go Module Cache", "arrow.down.circle", Match::location("go/pkg/mod"),
             rebuildable, "Downloaded Go modules. Downloaded again on the next build."),
        rule("bun-cache", "Bun Cache", "arrow.down.circle", Match::location(".bun/install/cache"),
             rebuildable, "Bun’s package cache. Filled again as packages install."),
        rule("conda-pkgs", "Conda Package Cache", "arrow.down.circle",
             Match::location("miniconda3/pkgs"), rebuildable,
             "Downloaded conda packages (conda clean --all does the same)."),
        rule("conda-pkgs-full", "Anaconda Package Cache", "arrow.down.circle",
             Match::location("anaconda3/pkgs"), rebuildable,
             "Downloaded conda packages (conda clean --all does the same)."),
        rule("user-logs", "Logs", "doc.plaintext", Match::contents("Library/Logs"), rebuildable,
             "Apps’ log files in ~/Library/Logs. Apps start new ones as needed."),
        rule("mail-downloads", "Mail Downloads", "envelope",
             Match::location("Library/Containers/com.apple.mail/Data/Library/Mail Downloads"),
             rebuildable,
             "Copies of attachments you opened from Mail. The originals stay in the messages."),
        rule("firmware", "iPhone and iPad Software", "arrow.down.circle",
             Match::contents("Library/iTunes/iPhone Software Updates"), rebuildable,
             "Downloaded iOS and iPadOS restore images. Downloaded again if a restore needs them."),
        rule("android-images", "Android System Images", "arrow.down.circle",
             Match::contents("Library/Android/sdk/system-images"), rebuildable,
             "Emulator system images. Android Studio downloads them again when an emulator needs "
             "one."),
        rule("xcode-archives", "Xcode Archives", "archivebox",
             Match::contents("Library/Developer/Xcode/Archives"), review,
             "Archived app builds. Needed to symbolicate crash reports from those versions; keep "
             "the ones you ship."),
        rule("simulator-devices", "Simulator Devices", "ipad.and.iphone",
             Match::location("Library/Developer/CoreSimulator/Devices"), review,
             "iOS Simulator devices and the apps and data in them. Xcode recreates default "
             "devices; run “xcrun simctl delete unavailable” first to clear only the dead ones."),
        rule("ios-backups", "iPhone and iPad Backups", "iphone.gen3",
             Match::contents("Library/Application Support/MobileSync/Backup"), review,
             "Local device backups. Remove ones for devices you no longer have or that back up to "
             "iCloud."),
        rule("node-versions", "Node.js Versions (nvm)", "shippingbox",
             Match::contents(".nvm/versions/node"), review,
             "Node versions installed with nvm. Keep the ones your projects use."),
        rule("python-versions", "Python Versions (pyenv)", "shippingbox",
             Match::contents(".pyenv/versions"), review,
             "Python versions installed with pyenv. Keep the ones your projects use."),
        rule("ruby-versions", "Ruby Versions (rbenv)", "shippingbox",
             Match::contents(".rbenv/versions"), review,
             "Ruby versions installed with rbenv. Keep the ones your projects use."),
        rule("ollama-models", "Ollama Models", "brain", Match::location(".ollama/models"), review,
             "Downloaded language models. ollama pull downloads one again."),
        rule("lmstudio-models", "LM Studio Models", "brain", Match::contents(".lmstudio/models"),
             review, "Downloaded language models. LM Studio downloads one again."),
        rule("android-avd", "Android Emulators", "iphone.gen3", Match::contents(".android/avd"),
             review, "Emulator devices and their data. Android Studio can recreate them."),
        rule("docker-disk", "Docker Disk", "shippingbox.and.arrow.backward",
             Match::location("Library/Containers/com.docker.docker/Data/vms"), review,
             "All of Docker’s images, containers and volumes. Free space inside it with “docker "
             "system prune”; deleting it erases everything in Docker."),
        rule("virtual-machines", "Virtual Machines", "desktopcomputer",
             Match::contents("Parallels"), review,
             "Parallels virtual machines. Each is a whole computer’s disk."),
        rule("utm-machines", "Virtual Machines (UTM)", "desktopcomputer",
             Match::contents("Library/Containers/com.utmapp.UTM/Data/Documents"), review,
             "UTM virtual machines. Each is a whole computer’s disk."),
        rule("steam-games", "Steam Games", "gamecontroller",
             Match::contents("Library/Application Support/Steam/steamapps/common"), review,
             "Installed games. Steam downloads a game again when you reinstall it."),
        rule("messages-attachments", "Messages Attachments", "message",
             Match::location("Library/Messages/Attachments"), review,
             "Photos, videos and files from your conversations. Removing them here removes them "
             "from the conversations too."),
        rule("garageband", "GarageBand Sound Library", "music.note",
             Match::location("/Library/Application Support/GarageBand"), review,
             "Instruments and loops. GarageBand downloads them again when needed."),
        rule("logic", "Logic Pro Sound Library", "music.note",
             Match::location("/Library/Application Support/Logic"), review,
             "Instruments and loops. Logic downloads them again when needed."),

        rule("maven-repository", "Maven Repository", "arrow.down.circle",
             Match::location(".m2/repository"), rebuildable,
             "Maven’s downloaded dependencies. Downloaded again on the next build."),
        rule("pnpm-store-linux", "pnpm Store", "arrow.down.circle",
             Match::location(".local/share/pnpm/store"), rebuildable,
             "pnpm’s shared package store. Filled again as packages install."),
        rule("python-venv", "Python Virtual Environments", "shippingbox",
             Match::named(".venv", {"pyproject.toml"}), rebuildable,
             "A project’s Python packages. Reinstalled with uv sync, poetry install or pip "
             "install."),
        rule("python-venv-requirements", "Python Virtual Environments", "shippingbox",
             Match::named(".venv", {"requirements.txt"}), rebuildable,
             "A project’s Python packages. Reinstalled with pip install -r requirements.txt."),
        rule("android-images-linux", "Android System Images", "arrow.down.circle",
             Match::contents("Android/Sdk/system-images"), rebuildable,
             "Emulator system images. Android Studio downloads them again when an emulator needs "
             "one."),
        rule("unity-editors-linux", "Unity Editor Versions", "cube",
             Match::contents("Unity/Hub/Editor"), rebuildable,
             "Unity editors installed through Unity Hub. Versions no project on this computer uses "
             "can go; Hub reinstalls one if a project asks for it."),
        rule("vscode-caches", "VS Code Caches", "archivebox",
             Match::contents(".config/Code", NameFilter::prefix("Cache")), rebuildable,
             "Caches Visual Studio Code keeps in ~/.config/Code. Rebuilt as needed; quit VS Code "
             "before clearing them."),
        rule("flatpak-caches", "Flatpak App Caches", "archivebox",
             Match::inEach(".var/app", "cache"), rebuildable,
             "Caches of apps installed with Flatpak. Apps rebuild them as needed; quit an app "
             "before clearing its cache."),
        rule("rustup-toolchains", "Rust Toolchains (rustup)", "shippingbox",
             Match::contents(".rustup/toolchains"), review,
             "Rust toolchains installed with rustup. Keep the ones your projects use."),
        rule("podman-storage", "Podman Storage", "shippingbox.and.arrow.backward",
             Match::location(".local/share/containers/storage"), review,
             "All of Podman’s images, containers and volumes. Free space inside it with “podman "
             "system prune”; deleting it erases everything in Podman."),
        rule("docker-rootless", "Docker Storage", "shippingbox.and.arrow.backward",
             Match::location(".local/share/docker"), review,
             "All of rootless Docker’s images, containers and volumes. Free space inside it with "
             "“docker system prune”; deleting it erases everything in Docker."),
        rule("virtualbox-machines", "Virtual Machines (VirtualBox)", "desktopcomputer",
             Match::contents("VirtualBox VMs"), review,
             "VirtualBox virtual machines. Each is a whole computer’s disk."),
        rule("libvirt-machines", "Virtual Machines (libvirt)", "desktopcomputer",
             Match::contents(".local/share/libvirt/images"), review,
             "Disks of virtual machines run with libvirt, such as Virtual Machine Manager’s. Each "
             "is a whole computer’s disk."),
        rule("boxes-machines", "Virtual Machines (Boxes)", "desktopcomputer",
             Match::contents(".local/share/gnome-boxes/images"), review,
             "GNOME Boxes virtual machines. Each is a whole computer’s disk."),
        rule("steam-games-linux", "Steam Games", "gamecontroller",
             Match::contents(".local/share/Steam/steamapps/common"), review,
             "Installed games. Steam downloads a game again when you reinstall it."),
        rule("steam-games-debian", "Steam Games", "gamecontroller",
             Match::contents(".steam/debian-installation/steamapps/common"), review,
             "Installed games. Steam downloads a game again when you reinstall it."),
        rule(
            "steam-games-flatpak", "Steam Games", "gamecontroller",
            Match::contents(".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common"),
            review, "Installed games. Steam downloads a game again when you reinstall it."),
    };
    return rules;
}

} // namespace

const std::vector<ReclaimRule>& rules() {
    static const std::vector<ReclaimRule> table = makeTable();
    return table;
}

} // namespace tavelin::Reclaim
