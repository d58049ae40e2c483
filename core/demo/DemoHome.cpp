#include "demo/DemoHome.h"

#include "util/Paths.h"

#include <array>
#include <ctime>
#include <random>
#include <string>

namespace tavelin {
namespace {

constexpr uint32_t kSeed = 20'261'206;
constexpr int64_t kBlock = 4096;
constexpr int64_t kKB = 1'000;
constexpr int64_t kMB = 1'000'000;
constexpr int64_t kGB = 1'000'000'000;

// The files that tell a project's kind, with what reading them gives.
struct Marker {
    std::string_view path; // below the home folder
    std::string_view contents;
};
constexpr std::array<Marker, 4> kMarkers{{
    {"Projects/webshop/package.json", "{\n  \"name\": \"webshop\",\n  \"private\": true\n}\n"},
    {"Projects/blog/package.json", "{\n  \"name\": \"blog\",\n  \"private\": true\n}\n"},
    {"Projects/photo-sorter/Cargo.toml",
     "[package]\nname = \"photo-sorter\"\nversion = \"0.3.0\"\n"},
    {"Projects/ml-notes/pyproject.toml", "[project]\nname = \"ml-notes\"\nversion = \"0.1.0\"\n"},
}};

const Marker* marker(std::string_view path) {
    std::string_view home = DemoHome::path;
    if (!isBelow(path, home))
        return nullptr;
    std::string_view relative = path.substr(home.size() + 1);
    for (const Marker& marker : kMarkers)
        if (marker.path == relative)
            return &marker;
    return nullptr;
}

int64_t allocated(int64_t bytes) {
    return (bytes + kBlock - 1) / kBlock * kBlock;
}

// Builds folders and files the way a walk leaves them: large files as nodes, the rest folded
// into their folder, each folder's own block counted in it. Figures above a folder are summed
// once the tree is complete.
class Builder {
public:
    Builder(Date now, int64_t threshold, int daysBefore)
        : now_(now)
        , threshold_(threshold)
        , daysBefore_(daysBefore) {}

    // The folder of that name in `parent`, made when it is not there yet.
    Node& folder(Node& parent, std::string name, int daysOld = 30) {
        for (const Node::Ptr& child : parent.children())
            if (child->isDirectory() && child->name == name)
                return *child;
        auto folder = Node::make(std::move(name), Node::Kind::directory);
        folder->modified = ago(daysOld);
        folder->smallFileSize = kBlock;
        folder->smallFileUnique = kBlock;
        folder->smallFileApparent = kBlock;
        Node& made = *folder;
        parent.append(std::move(folder));
        return made;
    }

    // A chain of folders, each inside the one before.
    Node& folders(Node& parent, std::initializer_list<std::string_view> names, int daysOld = 30) {
        Node* inside = &parent;
        for (std::string_view name : names)
            inside = &folder(*inside, std::string(name), daysOld);
        return *inside;
    }

    void file(Node& folder, std::string name, int64_t bytes, int daysOld) {
        if (daysOld < daysBefore_)
            return;
        int64_t size = allocated(bytes);
        kinds_.add(name, size, bytes);
        if (size < threshold_) {
            folder.smallFileCount += 1;
            folder.smallFileSize += size;
            folder.smallFileUnique += size;
            folder.smallFileApparent += bytes;
            return;
        }
        auto file = Node::make(std::move(name), Node::Kind::file);
        file->size = size;
        file->unique = size;
        file->apparent = bytes;
        file->fileCount = 1;
        file->modified = ago(daysOld);
        folder.append(std::move(file));
    }

    // `count` files named after `stem` and a number, of about `typical` bytes each, changed
    // between `newest` and `oldest` days ago.
    void files(Node& folder, std::string_view stem, std::string_view extension, int count,
               int64_t typical, int newest, int oldest, int firstNumber = 1) {
        for (int index = 0; index < count; ++index)
            file(folder,
                 std::string(stem) + std::to_string(firstNumber + index) + "." +
                     std::string(extension),
                 around(typical), between(newest, oldest));
    }

    // From half to one and a half times `typical`.
    int64_t around(int64_t typical) {
        return typical / 2 + static_cast<int64_t>(random_() % static_cast<uint64_t>(typical + 1));
    }
    int between(int newest, int oldest) {
        return newest + static_cast<int>(random_() % static_cast<uint32_t>(oldest - newest + 1));
    }
    // Days back, at a time of day that follows from the number of days.
    Date ago(int days) const {
        return now_ - std::chrono::days(days) - std::chrono::seconds(days * 7'919 % 36'000);
    }
    // How the desktop names a capture taken `days` ago: "2026-03-14 09-12-55".
    std::string stamp(int days) const {
        std::time_t seconds = std::chrono::system_clock::to_time_t(ago(days));
        std::tm calendar{};
        gmtime_r(&seconds, &calendar);
        std::array<char, 32> text{};
        size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%d %H-%M-%S", &calendar);
        return std::string(text.data(), length);
    }

    ExtensionTally takeKinds() { return std::move(kinds_); }

private:
    Date now_;
    int64_t threshold_;
    int daysBefore_;
    // A fixed engine, never a distribution: its numbers are the same with every library.
    std::mt19937 random_{kSeed};
    ExtensionTally kinds_;
};

// Sums every folder's figures from what lies beneath it, largest first, as a scan leaves them.
void total(Node& folder) {
    Node::Figures sum = Node::Figures::ofSmallFiles(folder);
    for (const Node::Ptr& child : folder.children()) {
        if (child->isDirectory())
            total(*child);
        sum += Node::Figures::of(*child);
    }
    sum.setOn(folder);
    folder.sortChildren();
}

void gitFolder(Builder& make, Node& project, int64_t packBytes, int daysOld) {
    Node& git = make.folder(project, ".git", daysOld);
    make.files(git, "", "sample", 14, 2 * kKB, daysOld, daysOld + 30);
    Node& pack = make.folders(git, {"objects", "pack"}, daysOld);
    make.file(pack, "pack-3f9c2a.pack", packBytes, daysOld);
    make.file(pack, "pack-3f9c2a.idx", packBytes / 40, daysOld);
}

void markers(Builder& make, Node& project, std::string_view projectPath, int daysOld) {
    for (const Marker& marker : kMarkers)
        if (isBelow(marker.path, projectPath))
            make.file(project, lastPathComponent(marker.path),
                      static_cast<int64_t>(marker.contents.size()), daysOld);
}

void nodeModules(Builder& make, Node& project, int packages, int daysOld) {
    Node& modules = make.folder(project, "node_modules", daysOld);
    constexpr std::array<std::pair<std::string_view, int64_t>, 5> kHeavy{{
        {"typescript", 22 * kMB},
        {"@esbuild", 9 * kMB},
        {"next", 48 * kMB},
        {"@swc", 36 * kMB},
        {"sharp", 14 * kMB},
    }};
    for (const auto& [name, bytes] : kHeavy) {
        Node& package = make.folder(modules, std::string(name), daysOld);
        Node& dist = make.folder(package, "dist", daysOld);
        make.file(dist, "index.js", bytes, daysOld);
        make.files(dist, "chunk-", "js", 40, 30 * kKB, daysOld, daysOld);
    }
    for (int index = 1; index <= packages; ++index) {
        Node& package = make.folder(modules, "package-" + std::to_string(index), daysOld);
        make.files(package, "module-", "js", 12, 24 * kKB, daysOld, daysOld);
        if (index % 9 == 0)
            make.file(package, "bundle.min.js", make.around(3 * kMB), daysOld);
    }
}

void projects(Builder& make, Node& home) {
    Node& projects = make.folder(home, "Projects", 3);

    Node& webshop = make.folder(projects, "webshop", 3);
    gitFolder(make, webshop, 46 * kMB, 3);
    markers(make, webshop, "Projects/webshop", 20);
    make.files(make.folder(webshop, "src", 3), "component-", "tsx", 140, 6 * kKB, 3, 200);
    nodeModules(make, webshop, 260, 12);
    Node& next = make.folders(webshop, {".next", "cache", "webpack"}, 3);
    make.files(next, "bundle-", "pack", 12, 14 * kMB, 3, 20);

    Node& blog = make.folder(projects, "blog", 240);
    gitFolder(make, blog, 18 * kMB, 240);
    markers(make, blog, "Projects/blog", 400);
    make.files(make.folder(blog, "posts", 240), "post-", "md", 60, 5 * kKB, 240, 700);
    nodeModules(make, blog, 150, 300);

    Node& sorter = make.folder(projects, "photo-sorter", 9);
    gitFolder(make, sorter, 12 * kMB, 9);
    markers(make, sorter, "Projects/photo-sorter", 60);
    make.files(make.folder(sorter, "src", 9), "module-", "rs", 24, 9 * kKB, 9, 90);
    Node& target = make.folder(sorter, "target", 9);
    make.files(make.folders(target, {"debug", "deps"}, 9), "libcrate-", "rlib", 180, 7 * kMB, 9,
               60);
    make.files(make.folders(target, {"debug", "incremental"}, 9), "session-", "bin", 90, 4 * kMB, 9,
               30);
    make.files(make.folders(target, {"release", "deps"}, 30), "libcrate-", "rlib", 120, 5 * kMB, 30,
               60);
    make.file(make.folder(target, "release", 30), "photo-sorter", 24 * kMB, 30);

    Node& notes = make.folder(projects, "ml-notes", 45);
    gitFolder(make, notes, 8 * kMB, 45);
    markers(make, notes, "Projects/ml-notes", 120);
    make.files(make.folder(notes, "notebooks", 45), "experiment-", "ipynb", 18, 600 * kKB, 45, 120);
    Node& sitePackages = make.folders(notes, {".venv", "lib", "python3.11", "site-packages"}, 120);
    make.file(make.folders(sitePackages, {"torch", "lib"}, 120), "libtorch_cpu.so", 480 * kMB, 120);
    make.files(make.folder(sitePackages, "numpy", 120), "core-", "so", 6, 5 * kMB, 120, 120);
    make.files(make.folder(sitePackages, "pandas", 120), "lib-", "so", 8, 4 * kMB, 120, 120);
}

void caches(Builder& make, Node& home) {
    Node& cache = make.folder(home, ".cache", 1);
    make.files(make.folders(cache, {"pip", "http-v2"}), "wheel-", "body", 60, 9 * kMB, 5, 300);
    make.files(make.folders(cache, {"mozilla", "firefox", "profile", "cache2", "entries"}, 1),
               "entry-", "bin", 900, 300 * kKB, 1, 90);
    make.files(make.folders(cache, {"thumbnails", "large"}, 2), "thumb-", "png", 1'800, 60 * kKB, 2,
               400);
    make.files(make.folder(cache, "yarn", 200), "package-", "tgz", 70, 2 * kMB, 200, 400);
    make.files(make.folders(home, {".npm", "_cacache", "content-v2"}, 12), "blob-", "tgz", 160,
               3 * kMB, 12, 500);
    make.files(make.folders(home, {".cargo", "registry", "cache"}, 9), "crate-", "crate", 240,
               900 * kKB, 9, 300);
    make.files(make.folders(home, {".local", "share", "recently-used"}, 1), "entry-", "xbel", 4,
               20 * kKB, 1, 30);
}

void trash(Builder& make, Node& home) {
    Node& trash = make.folders(home, {".local", "share", "Trash"}, 6);
    Node& files = make.folder(trash, "files", 6);
    Node& info = make.folder(trash, "info", 6);
    const std::array<std::pair<std::string_view, int64_t>, 4> kTrashed{{
        {"old-laptop-backup.tar.gz", 1'300 * kMB},
        {"IMG_0912.MOV", 420 * kMB},
        {"draft-final-v2.odt", 80 * kKB},
        {"setup-notes.txt", 3 * kKB},
    }};
    int days = 6;
    for (const auto& [name, bytes] : kTrashed) {
        make.file(files, std::string(name), bytes, days += 9);
        make.file(info, std::string(name) + ".trashinfo", 200, days);
    }
}

void downloads(Builder& make, Node& home) {
    Node& downloads = make.folder(home, "Downloads", 2);
    make.file(downloads, "ubuntu-24.04.1-desktop-amd64.iso", 6'114 * kMB, 240);
    make.file(downloads, "code_1.89.1-1715060508_amd64.deb", 105 * kMB, 330);
    make.file(downloads, "zoom_amd64.deb", 284 * kMB, 290);
    make.file(downloads, "jetbrains-toolbox-2.3.2.tar.gz", 193 * kMB, 210);
    make.file(downloads, "lisbon-photos.zip", 1'420 * kMB, 300);
    make.file(downloads, "conference-talk-recording.mp4", 760 * kMB, 150);
    make.file(downloads, "IMG_2041.jpg", 4'213'771, 95);
    make.file(downloads, "tax-return-2025.pdf", 2'300 * kKB, 40);
    make.files(downloads, "document-", "pdf", 36, 400 * kKB, 2, 500);
}

void desktop(Builder& make, Node& home) {
    Node& desktop = make.folder(home, "Desktop", 1);
    for (int index = 0; index < 16; ++index) {
        int days = index < 2 ? 2 + index : make.between(35, 320);
        make.file(desktop, "Screenshot from " + make.stamp(days) + ".png", make.around(2'400 * kKB),
                  days);
    }
    make.file(desktop, "Screencast from " + make.stamp(120) + ".webm", 48 * kMB, 120);
    make.files(desktop, "note-", "txt", 9, 2 * kKB, 1, 60);
}

void documents(Builder& make, Node& home) {
    Node& documents = make.folder(home, "Documents", 4);
    make.files(make.folder(documents, "Invoices", 4), "invoice-", "pdf", 48, 180 * kKB, 4, 700);
    make.file(make.folder(documents, "Thesis", 500), "thesis-final.pdf", 14 * kMB, 500);
    make.files(documents, "letter-", "odt", 30, 60 * kKB, 4, 900);
    make.files(documents, "scan-", "pdf", 22, 1'600 * kKB, 30, 800);
}

void media(Builder& make, Node& home) {
    Node& pictures = make.folder(home, "Pictures", 5);
    make.files(make.folder(pictures, "2025", 200), "IMG_", "jpg", 380, 4 * kMB, 200, 560, 1'000);
    make.files(make.folder(pictures, "2026", 5), "IMG_", "jpg", 210, 4 * kMB, 5, 150, 2'000);
    make.file(make.folder(pictures, "Favourites", 95), "IMG_2041.jpg", 4'213'771, 95);
    make.files(make.folder(pictures, "Wallpapers", 400), "wallpaper-", "png", 12, 3 * kMB, 400,
               600);

    Node& videos = make.folder(home, "Videos", 60);
    make.file(videos, "Holiday in Portugal 2025.mp4", 4'270 * kMB, 220);
    make.file(videos, "School recital.mov", 2'130 * kMB, 60);
    make.files(make.folder(videos, "Clips", 90), "clip-", "mp4", 24, 60 * kMB, 90, 400);

    Node& music = make.folder(home, "Music", 700);
    make.files(make.folder(music, "Albums", 700), "track-", "mp3", 320, 8 * kMB, 700, 1'500);

    Node& machines = make.folders(home, {"VirtualBox VMs", "Windows 11"}, 420);
    make.file(machines, "Windows 11.vdi", 9'640 * kMB, 420);
    make.files(make.folder(machines, "Logs", 420), "VBox-", "log", 4, 200 * kKB, 420, 430);
}

} // namespace

DemoHome DemoHome::generate(Date now, int64_t largeFileThreshold, int daysBefore) {
    Builder make(now, largeFileThreshold, daysBefore);
    auto root = Node::makeRoot(std::string(lastPathComponent(path)), std::string(path));
    root->modified = make.ago(1);
    root->smallFileSize = kBlock;
    root->smallFileUnique = kBlock;
    root->smallFileApparent = kBlock;
    make.files(*root, ".bash_history-", "txt", 3, 12 * kKB, 1, 1);
    projects(make, *root);
    caches(make, *root);
    trash(make, *root);
    downloads(make, *root);
    desktop(make, *root);
    documents(make, *root);
    media(make, *root);
    total(*root);
    return DemoHome(std::move(root), make.takeKinds());
}

ScanRecord DemoHome::earlierScan(Date now, int64_t largeFileThreshold) {
    DemoHome earlier = generate(now, largeFileThreshold, daysBetweenScans);
    return ScanRecord::of(*earlier.root(), now - std::chrono::days(daysBetweenScans));
}

platform::Volume DemoHome::disk() {
    return {.id = "/",
            .name = "Computer",
            .scanPath = "/",
            .total = 512 * kGB,
            .free = 71 * kGB,
            .isBoot = true};
}

AdvisorContext DemoHome::context(Node::Ptr root, Date now) {
    AdvisorContext context = AdvisorContext::ofTree(root, path, now);
    context.fileExists = [tree = context.fileExists](const std::string& path) {
        return marker(path) || tree(path);
    };
    context.readFile = [](const std::string& path) -> std::optional<std::string> {
        if (const Marker* found = marker(path))
            return std::string(found->contents);
        return std::nullopt;
    };
    return context;
}

} // namespace tavelin
