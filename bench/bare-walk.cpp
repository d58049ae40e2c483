// The least work a scan of a folder can do on this machine, as the yardstick for scan times:
// threads sharing one queue of folders, each folder listed with getdents64 and every entry
// examined with one statx relative to its folder, nothing kept but a total of allocated bytes.
// Hard links count once per name and nothing stays on one mount, as no set or check is kept.
// Prints one JSON object: {"bytes", "entries", "folders", "errors", "threads", "seconds"}.
//
// Usage: bare-walk [--threads N] PATH   (N, default 2)

#include "platform/Directories.h"
#include "platform/DirectoryReader.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using tavelin::platform::UniqueFd;

// A folder waiting to be walked: a name inside an open folder that every sibling shares.
struct Folder {
    std::shared_ptr<const UniqueFd> parent;
    std::string name;
};

struct Totals {
    int64_t bytes = 0;
    int64_t entries = 0;
    int64_t folders = 0;
    int64_t errors = 0;
};

// The folders still to walk, last in first out so that few descriptors stay open; the walk is
// over when the queue is empty and no thread is listing a folder that could add to it.
class FolderQueue {
public:
    void push(std::vector<Folder>& folders) {
        if (folders.empty())
            return;
        {
            std::lock_guard guard(lock_);
            for (Folder& folder : folders)
                waiting_.push_back(std::move(folder));
        }
        folders.clear();
        wake_.notify_all();
    }

    // The next folder; false once the walk is over. The caller is busy until it calls again.
    bool pop(Folder& folder, bool wasBusy) {
        std::unique_lock lock(lock_);
        if (wasBusy)
            --busy_;
        if (busy_ == 0 && waiting_.empty()) {
            wake_.notify_all();
            return false;
        }
        wake_.wait(lock, [&] { return !waiting_.empty() || busy_ == 0; });
        if (waiting_.empty())
            return false;
        folder = std::move(waiting_.back());
        waiting_.pop_back();
        ++busy_;
        return true;
    }

    void start(Folder folder) { waiting_.push_back(std::move(folder)); }

private:
    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<Folder> waiting_; // guarded by lock_
    int busy_ = 0;                // guarded by lock_
};

// The sub-folders found keep the folder open until the last of them is opened.
void listFolder(const std::shared_ptr<const UniqueFd>& folder,
                tavelin::platform::DirectoryReader& reader, Totals& totals,
                std::vector<Folder>& found) {
    int fd = folder->get();
    while (reader.next(fd)) {
        reader.forEach([&](std::string_view name) {
            struct statx status;
            if (::statx(fd, name.data(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                        STATX_TYPE | STATX_BLOCKS, &status) != 0) {
                ++totals.errors;
                return true;
            }
            ++totals.entries;
            totals.bytes += static_cast<int64_t>(status.stx_blocks) * 512;
            if (S_ISDIR(status.stx_mode))
                found.push_back({folder, std::string(name)});
            return true;
        });
    }
    if (reader.error() != 0)
        ++totals.errors;
}

void work(FolderQueue& queue, Totals& totals) {
    tavelin::platform::DirectoryReader reader;
    std::vector<Folder> found;
    Folder folder;
    bool busy = false;
    while (queue.pop(folder, busy)) {
        busy = true;
        auto fd = std::make_shared<const UniqueFd>(
            tavelin::platform::openSubdirectory(folder.parent->get(), folder.name.c_str()));
        folder.parent.reset();
        if (!*fd) {
            ++totals.errors;
            continue;
        }
        ++totals.folders;
        listFolder(fd, reader, totals, found);
        queue.push(found);
    }
}

int usage() {
    std::cerr << "usage: bare-walk [--threads N] PATH\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int threads = 2;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--threads") {
        auto [end, error] = std::from_chars(args[1].begin(), args[1].end(), threads);
        if (error != std::errc() || end != args[1].end() || threads < 1)
            return usage();
    } else if (args.size() != 1) {
        return usage();
    }
    std::string path(args.back());

    tavelin::platform::raiseOpenFileLimitOnce();
    auto started = std::chrono::steady_clock::now();
    struct statx top;
    UniqueFd place(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!place || ::statx(place.get(), "", AT_EMPTY_PATH, STATX_BLOCKS, &top) != 0) {
        std::cerr << "bare-walk: cannot open " << path << "\n";
        return 1;
    }
    FolderQueue queue;
    queue.start({std::make_shared<const UniqueFd>(std::move(place)), "."});
    std::vector<Totals> totals(static_cast<size_t>(threads));
    std::vector<std::thread> pool;
    for (Totals& mine : totals)
        pool.emplace_back([&queue, &mine] { work(queue, mine); });
    for (std::thread& thread : pool)
        thread.join();

    Totals sum{.bytes = static_cast<int64_t>(top.stx_blocks) * 512};
    for (const Totals& mine : totals) {
        sum.bytes += mine.bytes;
        sum.entries += mine.entries;
        sum.folders += mine.folders;
        sum.errors += mine.errors;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "{\"bytes\": " << sum.bytes << ", \"entries\": " << sum.entries
              << ", \"folders\": " << sum.folders << ", \"errors\": " << sum.errors
              << ", \"threads\": " << threads << ", \"seconds\": " << seconds << "}\n";
    return 0;
}
