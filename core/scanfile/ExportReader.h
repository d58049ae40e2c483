#pragma once

// Builds a scan tree from the JSON parser's events over an export file, as they come: the file
// is never held whole, only the folders being read and the tree itself.
//
// The file is `[1, minor, {header}, folder]`, where a folder is a list of its own entry
// followed by its files (objects) and sub-folders (lists again). The tree follows the walk's
// rules, so that a file read here shows the figures a scan of the same folder shows: a file
// with several names counts once (by device and inode, in the first folder met), files below
// the large-file threshold are folded into their folder's small-file figures, a folder's own
// blocks count in its figures, entries the writing tool excluded (other file systems, patterns)
// are left out, the unique size is the size on disk, which the format has no other word on, and
// the apparent size is "asize" (0 where it is missing, as ncdu reads it).
// gdu leaves folders' sizes out of its exports and counts 4,096 bytes for each when it reads
// one back; its files read the same way here, so both show one total.
//
// Every deviation stops the reading with a problem and the byte it was found at: a wrong
// header or version, a value of the wrong kind, a negative or impossible size, folders nested
// deeper than any walk goes, names no file can have. Unknown fields are passed over.

#include "scanfile/ImportedScan.h"
#include "scanfile/ScanFileInput.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavelin {

class ExportReader {
public:
    // Deeper than this no walk goes here: each level holds a descriptor open.
    static constexpr size_t kMaxDepth = 10'000;
    // Larger than any disk: one item, and all of them together (which also keeps every sum
    // far from overflowing).
    static constexpr uint64_t kMaxSize = uint64_t{1} << 60;
    static constexpr uint64_t kMaxTotal = uint64_t{1} << 62;

    struct Problem {
        std::string reason;      // a phrase: "it ends before the scan does"
        uint64_t at = 0;         // the byte of the file it was found at
        bool unreadable = false; // the file could not be read, whatever it holds
    };

    ExportReader(ScanFileInput& input, int64_t threshold);

    // The scan read, once the parser went through the whole file without a problem.
    ImportedScan take() { return std::move(scan_); }
    const std::optional<Problem>& problem() const { return problem_; }

    // The parser's events.
    bool null();
    bool boolean(bool value);
    bool number_integer(int64_t value);
    bool number_unsigned(uint64_t value);
    bool number_float(double value, const std::string& text);
    bool string(std::string& value);
    template <typename Binary>
    bool binary(Binary&) {
        return fail("it holds binary data");
    }
    bool start_object(size_t);
    bool key(std::string& name);
    bool end_object();
    bool start_array(size_t);
    bool end_array();
    template <typename Exception>
    bool parse_error(size_t, const std::string&, const Exception&) {
        return parseFailed();
    }

private:
    // Where in the top-level list the parser is.
    enum class Place { start, major, minor, header, scan, tree, end, done };
    enum class Field {
        other,
        name,
        asize,
        dsize,
        dev,
        ino,
        nlink,
        hlnkc,
        readError,
        excluded,
        notreg,
        mtime,
        progname,
        progver,
        timestamp
    };
    struct FieldName {
        std::string_view text;
        Field field;
        bool header; // a field of the header, not of an entry
    };
    static const FieldName kFieldNames[];

    // What one entry's object said.
    struct Entry {
        std::optional<std::string> name;
        std::optional<uint64_t> asize;
        std::optional<uint64_t> dsize;
        std::optional<uint64_t> dev;
        std::optional<uint64_t> ino;
        uint64_t nlink = 1;
        bool hlnkc = false;
        bool readError = false;
        bool excluded = false;
        std::optional<int64_t> mtime;
    };
    struct Folder {
        Node* node = nullptr;
        uint64_t dev = 0;
    };
    struct LinkKey {
        uint64_t dev = 0;
        uint64_t ino = 0;
        bool operator==(const LinkKey&) const = default;
    };
    struct LinkHash {
        size_t operator()(const LinkKey& key) const {
            return key.ino * 0x9E3779B97F4A7C15ULL ^ key.dev;
        }
    };

    bool fail(std::string reason);
    // A list or object opened inside an entry or the header: skipped within an unknown field,
    // refused within a known one; nothing where it opens a new level of the file.
    std::optional<bool> opensInsideAnEntry(std::string_view what);
    bool parseFailed();
    bool headerWrong();
    // A value that is not a container, in whatever place it came.
    bool scalar(Field expected, const char* kind);
    bool version(uint64_t value);
    bool count(uint64_t value);
    bool openFolder();
    bool closeFolder();
    bool addFile();
    bool validName(const std::string& name) const;
    // Adds one item's sizes on disk and apparent to the totals; false past any disk's.
    bool addToTotal(uint64_t bytes, uint64_t apparent);
    static Field fieldNamed(const std::string& name, bool header);
    // The field's name as the file spells it, in quotes.
    static std::string fieldText(Field field);

    ScanFileInput& input_;
    int64_t threshold_;
    std::optional<Problem> problem_;
    ImportedScan scan_;
    Place place_ = Place::start;
    // Inside an object: an entry's, or the header's.
    bool inEntry_ = false;
    bool inHeader_ = false;
    // The next object is the entry of a folder whose list just began.
    bool folderStarts_ = false;
    Field field_ = Field::other;
    // Levels of an unknown field's value, or of an excluded folder, being passed over.
    size_t skip_ = 0;
    Entry entry_;
    std::vector<Folder> folders_;
    std::unordered_set<LinkKey, LinkHash> links_;
    uint64_t total_ = 0;
    uint64_t apparentTotal_ = 0;
};

} // namespace tavelin
