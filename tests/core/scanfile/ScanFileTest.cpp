#include "scanfile/ScanFile.h"

#include "core/scan/NodeFigures.h"
#include "platform/FileFacts.h"
#include "platform/Process.h"
#include "scanfile/ScanFileInput.h"
#include "scanfile/ScanFileOutput.h"
#include "support/Forked.h"
#include "support/ScannedTree.h"
#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"
#include "support/TreeBuilder.h"
#include "support/TreeCompare.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <sstream>
#include <sys/mman.h>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;
constexpr int64_t kThreshold = 1'000'000;

std::variant<ImportedScan, std::string> readBytes(std::string_view bytes) {
    int fd = ::memfd_create("scan", MFD_CLOEXEC);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        return std::string("could not prepare the file");
    ::lseek(fd, 0, SEEK_SET);
    return ScanFile::read(fd, "scan.json", kThreshold);
}

std::string gzipped(std::string_view bytes) {
    int fd = ::memfd_create("gz", MFD_CLOEXEC);
    {
        ScanFileOutput output(fd, true);
        output.write(bytes);
        EXPECT_TRUE(output.finish());
    }
    std::string out(static_cast<size_t>(::lseek(fd, 0, SEEK_END)), '\0');
    EXPECT_EQ(::pread(fd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
    ::close(fd);
    return out;
}

// Checks that `work` finds nothing, run as "nobody" when this process is root, so that a locked
// folder is unreadable to the tools and the scan alike; what it finds goes to the output.
void expectNothingFound(const std::function<std::string()>& work) {
    if (::getuid() != 0) {
        EXPECT_EQ(work(), "");
        return;
    }
    int status = test::runForked(
        [&] {
            std::string found = work();
            std::fprintf(stderr, "%s\n", found.c_str());
            return found.empty() ? 0 : 1;
        },
        test::kNobody);
    if (status == 125)
        GTEST_SKIP() << "could not drop root privileges to make a folder unreadable";
    EXPECT_EQ(status, 0) << "what the check found is above";
}

std::string run(const std::string& program, const std::vector<std::string>& arguments) {
    platform::ProcessResult result =
        platform::runProcess({.program = program, .arguments = arguments});
    return result.status == 0 ? std::string() : program + " failed: " + result.output;
}

// The total gdu gives for a scan file.
std::string gduTotal(const std::string& file) {
    std::string total;
    std::istringstream(
        platform::runProcess(
            {.program = "gdu", .arguments = {"-f", file, "-n", "-p", "-s", "--no-prefix"}})
            .output) >>
        total;
    return total;
}

// The total Tavelin reads from a scan file, or why it could not read it.
std::string totalOf(const std::string& file) {
    auto read = ScanFile::open(file, kThreshold);
    auto* problem = std::get_if<std::string>(&read);
    return problem ? *problem : std::to_string(std::get<ImportedScan>(read).root->size);
}

// A tree with what trips readers up: files with several names, a sparse file, a symbolic link,
// names with quotes, line breaks and bytes that are not UTF-8, large and small files, and a
// folder nobody may read.
struct Fixture {
    test::TemporaryFolder temp;
    test::TreeBuilder tree{temp.path() / "tree"};

    Fixture() {
        tree.file("big.bin", 3'000'000);
        tree.file("docs/notes.txt", 5'000);
        tree.hardLink(tree.path("docs/notes.txt"), "docs/notes again.txt");
        tree.file("docs/film.mkv", 2'500'000);
        tree.hardLink(tree.path("docs/film.mkv"), "docs/film copy.mkv");
        tree.sparseFile("disk.img", 50'000'000);
        tree.symlink("big.bin", "link");
        tree.file("odd/say \"hi\".txt", std::string_view("x"));
        tree.file("odd/two\nlines", std::string_view("y"));
        tree.file("odd/\xff\xfe raw", std::string_view("z"));
        tree.file("odd/été.jpg", 1'200'000);
        tree.folder("deep/a/b/c/d");
        tree.file("locked/hidden.bin", 2'000'000);
        fs::permissions(temp.path(), fs::perms::all);
        fs::permissions(tree.path("locked"), fs::perms::none);
    }
    ~Fixture() { fs::permissions(tree.path("locked"), fs::perms::owner_all); }

    std::string path() const { return tree.root().string(); }
    std::string file(const std::string& name) const { return (temp.path() / name).string(); }

    // Where the scan file read from `file` differs from Tavelin's own scan of the tree.
    std::string differenceFromScan(const std::string& file) const {
        auto read = ScanFile::open(file, kThreshold);
        if (auto* problem = std::get_if<std::string>(&read))
            return *problem;
        Node::Ptr scanned = test::scannedTree(path(), kThreshold);
        const ImportedScan& imported = std::get<ImportedScan>(read);
        std::string difference = test::treeDifference(*imported.root, *scanned, 1s);
        if (imported.root->path() != scanned->path())
            difference += " root " + imported.root->path();
        return difference;
    }
};

// The folders and large files beneath a node with their figures, "!" marking one that could not
// be read: "x 2004096/3 (big 2000000/1, sub! 4096/0)".
std::string outline(const Node& node) {
    std::string text = node.name + (node.isUnreadable ? "!" : "") + " " +
                       std::to_string(node.size) + "/" + std::to_string(node.fileCount);
    if (node.children().empty())
        return text;
    text += " (";
    for (const auto& child : node.children())
        text += outline(*child) + (child == node.children().back() ? ")" : ", ");
    return text;
}

TEST(ScanFile, EntriesCountAsAWalkOfTheirFolderCountsThem) {
    const std::string big = R"("dsize":2000000)";
    struct Case {
        const char* what;
        std::string tree; // the scan after the header
        const char* outline;
        int64_t errors = 0;
    };
    const Case cases[] = {
        {"a folder's own blocks count, small files fold into it",
         R"([{"name":"/x","dsize":4096},{"name":"a","asize":9,"dsize":4096},{"name":"b",)" + big +
             ",\"mtime\":1700000000}]",
         "x 2008192/2 (b 2000000/1)"},
        {"names of one file count once, by device and inode",
         R"([{"name":"/x","dev":7},{"name":"a","ino":5,"nlink":2,"hlnkc":true,)" + big +
             R"(},[{"name":"s"},{"name":"b","ino":5,"hlnkc":true,)" + big +
             R"(}],{"name":"c","ino":5,"nlink":2,)" + big + "}]",
         "x 2000000/1 (a 2000000/1, s 0/0)"},
        {"the same inode on another device is another file",
         R"([{"name":"/x","dev":7},{"name":"a","ino":5,"hlnkc":true,)" + big +
             R"(},[{"name":"m","dev":8},{"name":"b","ino":5,"hlnkc":true,)" + big + "}]]",
         "x 4000000/2 (a 2000000/1, m 2000000/1 (b 2000000/1))"},
        {"an inode with one name is no link",
         R"([{"name":"/x"},{"name":"a","ino":5,)" + big + R"(},{"name":"b","ino":5,)" + big + "}]",
         "x 4000000/2 (a 2000000/1, b 2000000/1)"},
        {"excluded entries and their folders are left out",
         R"([{"name":"/x"},{"name":"a","excluded":"pattern",)" + big +
             R"(},{"name":"mnt","excluded":"otherfs"},[{"name":"p","excluded":"frmlnk"},)"
             R"({"name":"q",)" +
             big + "}]]",
         "x 0/0"},
        {"unreadable folders and entries",
         R"([{"name":"/x"},[{"name":"locked","dsize":4096,"read_error":true}],)"
         R"({"name":"gone","read_error":true},{"name":"dev","notreg":true,"dsize":0}])",
         "x 4096/1 (locked! 4096/0)", 2},
        {"unknown fields pass",
         R"([{"name":"/x","uid":0,"mode":16877,"x":{"y":[1,{"z":null}]}},{"name":"a",)" + big +
             R"(,"nlink":1,"hlnkc":false,"notreg":false}])",
         "x 2000000/1 (a 2000000/1)"},
        {"the top folder's path is tidied", R"([{"name":"/srv//data/"}])", "data 0/0"},
    };
    for (const Case& test : cases)
        for (const char* header : {R"([1,0,{"progname":"ncdu"},)", R"([1,1,{},)", R"([1,2,{},)"})
            for (bool compressed : {false, true}) {
                SCOPED_TRACE(std::string(test.what) + " in " + header + (compressed ? " gz" : ""));
                std::string bytes = header + test.tree + "]";
                auto read = readBytes(compressed ? gzipped(bytes) : bytes);
                ASSERT_TRUE(std::holds_alternative<ImportedScan>(read))
                    << std::get<std::string>(read);
                const ImportedScan& scan = std::get<ImportedScan>(read);
                EXPECT_EQ(outline(*scan.root), test.outline);
                EXPECT_EQ(scan.errors, test.errors);
            }
}

// The export's entry named `name`, anywhere beneath; null when there is none.
const nlohmann::json* entryNamed(const nlohmann::json& list, const std::string& name) {
    for (const nlohmann::json& item : list) {
        if (item.is_array()) {
            if (const nlohmann::json* found = entryNamed(item, name))
                return found;
        } else if (item.is_object() && item.value("name", "") == name) {
            return &item;
        }
    }
    return nullptr;
}

TEST(ScanFile, ExportsOfEachToolReadAsTavelinsScanOfTheTreeAndTotalAsDuDoes) {
    Fixture fixture;
    expectNothingFound([&] {
        std::string found = run(
            "ncdu", {"--ignore-config", "-e", "-0xo", fixture.file("ncdu.json"), fixture.path()});
        std::ofstream(fixture.file("ncdu.json.gz"), std::ios::binary)
            << gzipped(test::readText(fixture.file("ncdu.json")));
        for (const char* name : {"ncdu.json", "ncdu.json.gz", "tavelin.json", "tavelin.json.gz"}) {
            if (std::string(name).starts_with("tavelin")) {
                auto exported = ScanFile::exportFolder(
                    {.folder = fixture.path(), .destination = fixture.file(name), .version = "1"});
                if (auto* problem = std::get_if<std::string>(&exported))
                    found += *problem;
                else if (std::get<ScanFile::Exported>(exported).problems != 1)
                    found += "the locked folder is the one problem";
            }
            found += fixture.differenceFromScan(fixture.file(name));
        }
        found += run("gzip", {"-t", fixture.file("tavelin.json.gz")});
        // gdu counts its own way (no folder blocks); read as gdu reads it, the total is its own.
        found += run("gdu", {"-n", "-p", "-x", "-o", fixture.file("gdu.json"), fixture.path()});
        if (totalOf(fixture.file("gdu.json")) != gduTotal(fixture.file("gdu.json")))
            found += "gdu's own export totals otherwise";
        // Tavelin's export, whoever reads it, totals as du does.
        found += run("ncdu", {"--ignore-config", "-f", fixture.file("tavelin.json"), "-o",
                              fixture.file("again.json")});
        std::string du = std::to_string(test::duBytes(fixture.path()));
        for (const std::string& total :
             {totalOf(fixture.file("tavelin.json")), totalOf(fixture.file("again.json")),
              gduTotal(fixture.file("tavelin.json"))})
            if (total != du)
                found += " a total of " + total + " where du says " + du;

        // What other readers need beyond what Tavelin reads back.
        // The name that is not UTF-8 is written as its bytes, which this parser refuses.
        std::string text = test::readText(fixture.file("tavelin.json"));
        if (size_t raw = text.find("\xff\xfe"); raw != std::string::npos)
            text.replace(raw, 2, "??");
        auto json = nlohmann::json::parse(text, nullptr, false);
        auto field = [&](const std::string& entry, const char* key) -> nlohmann::json {
            const nlohmann::json* item = json.is_array() ? entryNamed(json, entry) : nullptr;
            return item && item->contains(key) ? (*item)[key] : nlohmann::json();
        };
        platform::FileFacts notes, big;
        platform::readFileFacts(AT_FDCWD, fixture.tree.path("docs/notes.txt").c_str(), notes);
        platform::readFileFacts(AT_FDCWD, fixture.tree.path("big.bin").c_str(), big);
        const std::tuple<const char*, const char*, nlohmann::json> expected[] = {
            {"notes.txt", "ino", notes.inode},  {"notes again.txt", "nlink", 2},
            {"notes again.txt", "hlnkc", true}, {"notes.txt", "asize", 5'000},
            {"disk.img", "asize", 50'000'000},  {"link", "notreg", true},
            {"locked", "read_error", true},     {"big.bin", "mtime", big.modifiedSeconds},
        };
        for (const auto& [entry, key, value] : expected)
            if (field(entry, key) != value)
                found += std::string(" ") + entry + " " + key + " " + field(entry, key).dump();
        if (nlohmann::json dsize = field("disk.img", "dsize");
            dsize.is_number() && dsize.get<int64_t>() >= 50'000'000)
            found += " the sparse file's dsize is its length";
        if (json[2].value("progname", "") != "tavelin")
            found += " header " + json[2].dump();
        return found;
    });
}

TEST(ScanFile, TheHeaderSaysWhoWroteTheFileAndWhenAndAScanOfAUsersHomeIsAdvisedAsThatHome) {
    auto read = readBytes(R"([1,0,{"progname":"gdu","progver":"5.22","timestamp":1700000000,)"
                          R"("extra":[{"x":[1]}]},[{"name":"/srv/data"},{"name":"a"}]])");
    ASSERT_TRUE(std::holds_alternative<ImportedScan>(read)) << std::get<std::string>(read);
    const ImportedScan& scan = std::get<ImportedScan>(read);
    // This writer leaves folders' blocks out, and counts 4,096.
    EXPECT_EQ(std::tuple(scan.program, scan.programVersion, scan.written, scan.root->path(),
                         scan.root->fileCount, scan.root->size),
              std::tuple("gdu", "5.22", dateFromTimespec(1'700'000'000, 0), "/srv/data", int64_t{1},
                         int64_t{4096}));

    const std::pair<const char*, const char*> cases[] = {{"/home/alex", "/home/alex"},
                                                         {"/home/alex/Videos", "/home/alex"},
                                                         {"/root/.cache", "/root"},
                                                         {"/rootfs", "/home/me"},
                                                         {"/", "/home/me"},
                                                         {"/home", "/home/me"}};
    for (const auto& [root, home] : cases)
        EXPECT_EQ(ImportedScan::homeFor(root, "/home/me"), home) << root;
}

// The reader takes the file in batches; a name cut by a batch's end keeps all its bytes.
TEST(ScanFile, NamesKeepTheirBytesWhereverTheyFallAndBadInputGetsOneSentenceNamingTheByte) {
    const std::string name = "\xc3\xa9t\xc3\xa9 \xff\xe2\x82\xac\xfe";
    const std::string before = R"([1,2,{"pad":")";
    const std::string prefix = R"("},[{"name":"/x"},{"name":")";
    const std::string after = name + R"(","dsize":2000000}]])";
    for (size_t shift = 0; shift < 12; ++shift) {
        SCOPED_TRACE(shift);
        std::string pad(ScanFileInput::kBatch - 9 + shift - before.size() - prefix.size(), 'p');
        auto read = readBytes(before + pad + prefix + after);
        ASSERT_TRUE(std::holds_alternative<ImportedScan>(read)) << std::get<std::string>(read);
        ASSERT_EQ(std::get<ImportedScan>(read).root->children().size(), 1u);
        EXPECT_EQ(std::get<ImportedScan>(read).root->children()[0]->name, name);
    }

    // Bad input gets one sentence naming the byte.
    const std::string header = R"([1,2,{"progname":"ncdu"},)";
    std::string deep = header;
    for (int i = 0; i < 100'000; ++i)
        deep += R"([{"name":"a"},)";
    // The bytes, and what the message says is wrong with them.
    struct Case {
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"", "it is empty"},
        {header + R"([{"name":"/x"},{"name":"a","asize":1)", "it ends before"},
        {"Disk usage report\n", "it is not valid JSON"},
        {R"([2,0,{},[{"name":"/x"}]])", "version 2 of the format"},
        {R"({"files":[]})", "format’s header"},
        {R"([1,2,[{"name":"/x"}]])", "format’s header"},
        {R"([1,2,{}])", "it holds no scan"},
        {deep, "nested more than 10,000 deep"},
        {header + R"([{"name":"/x"},{"name":"a","dsize":-4096}]])", "“dsize” is negative"},
        {header + R"([{"name":"/x"},{"name":"a","dsize":1e30}]])",
         "“dsize” is larger than any disk"},
        {header + R"([{"name":"/x"},{"name":"a","dsize":1152921504606846976},)"
                  R"({"name":"b","dsize":1152921504606846976},)"
                  R"({"name":"c","dsize":1152921504606846976},)"
                  R"({"name":"d","dsize":1152921504606846976},)"
                  R"({"name":"e","dsize":1}]])",
         "add up to more than any disk"},
        {header + R"([{"name":"/x"},{"name":"a","asize":1e30}]])",
         "“asize” is larger than any disk"},
        {header + R"([{"name":"/x"},{"name":"a","asize":"12"}]])", "“asize” is text"},
        {header + R"([{"name":"/x"},{"name":"a/b"}]])", "no file can have"},
        {header + R"([{"name":"/x"},{"asize":1}]])", "has no name"},
        {header + R"([{"name":"/x"},[]]])", "a folder’s list is empty"},
        {header + R"([{"name":"/x"},7]])", "a folder holds a number"},
        {header + R"([{"name":"/x"}]] [])", "goes on after the scan ends"},
        {header + R"([{"name":"/x"}], 7])", "goes on after the scan ends"},
        {header + R"([{"name":")" + std::string(3'000'000, 'a'), "more than 1 MiB"},
        {gzipped(header + R"([{"name":"/x"}]])").replace(20, 6, "garbag"), "damaged"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.reason);
        auto read = readBytes(test.bytes);
        ASSERT_TRUE(std::holds_alternative<std::string>(read));
        const std::string& message = std::get<std::string>(read);
        EXPECT_TRUE(message.starts_with("“scan.json” is not an ncdu or gdu export: ")) << message;
        EXPECT_NE(message.find(test.reason), std::string::npos) << message;
        EXPECT_TRUE(std::regex_search(message, std::regex(", at byte [0-9]+\\.$"))) << message;
    }
    EXPECT_EQ(std::get<std::string>(ScanFile::open("/nonexistent/x.json", kThreshold)),
              "“x.json” can’t be read: No such file or directory.");

    // The limit itself: folders nested 10,000 deep are read, one more is not.
    auto nested = [&](int depth) {
        std::string bytes = header + R"([{"name":"/x"})";
        for (int level = 1; level < depth; ++level)
            bytes += R"(,[{"name":"a"})";
        return bytes + std::string(static_cast<size_t>(depth), ']') + "]";
    };
    EXPECT_TRUE(std::holds_alternative<ImportedScan>(readBytes(nested(10'000))));
    EXPECT_TRUE(std::holds_alternative<std::string>(readBytes(nested(10'001))));
}

TEST(ScanFile, MutatedExportsGiveATreeOrAMessageNeverACrash) {
    Fixture fixture;
    std::string json = fixture.tree.path("tree.json");
    ASSERT_TRUE(std::holds_alternative<ScanFile::Exported>(
        ScanFile::exportFolder({.folder = fixture.path(), .destination = json, .version = "1"})));
    const std::string original = test::readText(json);
    ASSERT_EQ(original.find("tree.json"), std::string::npos) << "the export leaves itself out";
    const std::string packed = gzipped(original);

    std::mt19937 random(35);
    auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    // Pieces of JSON and bytes that trip parsers, one per word.
    std::vector<std::string> tokens;
    std::istringstream words(
        "[ ] { } , : \" - 1e999 null \\u0000 \xff 99999999999999999999 \"dsize\":");
    for (std::string word; words >> word;)
        tokens.push_back(word);
    int trees = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = round % 4 == 3 ? packed : original;
        for (int edits = 1 + static_cast<int>(below(3)); edits > 0 && !bytes.empty(); --edits) {
            size_t at = below(bytes.size());
            switch (below(4)) {
            case 0:
                bytes[at] = static_cast<char>(below(256));
                break;
            case 1:
                bytes.erase(at, below(16));
                break;
            case 2:
                bytes.insert(at, tokens[below(tokens.size())]);
                break;
            default:
                bytes.resize(at);
                break;
            }
        }
        auto read = readBytes(bytes);
        if (auto* scan = std::get_if<ImportedScan>(&read)) {
            ++trees;
            ASSERT_EQ(test::sumsBreak(*scan->root), "") << "round " << round;
            ASSERT_TRUE(scan->root->size >= 0 && scan->root->unique == scan->root->size);
        } else {
            const std::string& message = std::get<std::string>(read);
            ASSERT_TRUE(std::regex_search(message, std::regex("^“scan.json” is not an ncdu or gdu "
                                                              "export: .+, at byte [0-9]+\\.$")))
                << "round " << round << ": " << message;
        }
    }
    EXPECT_GT(trees, 0) << "some edits leave a readable file";
}

} // namespace
