#include "scanfile/ExportReader.h"

#include "util/Paths.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavelin {

const ExportReader::FieldName ExportReader::kFieldNames[] = {
    {"name", Field::name, false},         {"asize", Field::asize, false},
    {"dsize", Field::dsize, false},       {"dev", Field::dev, false},
    {"ino", Field::ino, false},           {"nlink", Field::nlink, false},
    {"hlnkc", Field::hlnkc, false},       {"read_error", Field::readError, false},
    {"excluded", Field::excluded, false}, {"notreg", Field::notreg, false},
    {"mtime", Field::mtime, false},       {"progname", Field::progname, true},
    {"progver", Field::progver, true},    {"timestamp", Field::timestamp, true}};

ExportReader::ExportReader(ScanFileInput& input, int64_t threshold)
    : input_(input)
    , threshold_(threshold) {}

bool ExportReader::fail(std::string reason) {
    if (!problem_)
        problem_ = Problem{std::move(reason), input_.offset()};
    return false;
}

bool ExportReader::parseFailed() {
    if (input_.overran())
        return fail("it runs on for more than 1 MiB without a new value");
    if (!input_.readError().empty()) {
        fail(input_.readError());
        problem_->unreadable = true;
        return false;
    }
    if (input_.damaged())
        return fail("its compressed data is damaged");
    if (place_ == Place::done)
        return fail("it goes on after the scan ends");
    if (input_.exhausted())
        return fail(input_.offset() == 0 ? "it is empty" : "it ends before the scan does");
    return fail("it is not valid JSON");
}

bool ExportReader::headerWrong() {
    return fail("it does not start with the format’s header, [1, minor version, {…}");
}

ExportReader::Field ExportReader::fieldNamed(const std::string& name, bool header) {
    for (const FieldName& known : kFieldNames)
        if (known.header == header && known.text == name)
            return known.field;
    return Field::other;
}

std::string ExportReader::fieldText(Field field) {
    for (const FieldName& known : kFieldNames)
        if (known.field == field)
            return "“" + std::string(known.text) + "”";
    return "a field";
}

std::optional<bool> ExportReader::opensInsideAnEntry(std::string_view what) {
    input_.resetStretch();
    if (skip_ > 0 || ((inEntry_ || inHeader_) && field_ == Field::other)) {
        ++skip_;
        return true;
    }
    if (inEntry_ || inHeader_)
        return fail(fieldText(field_) + " is " + std::string(what));
    return std::nullopt;
}

bool ExportReader::start_array(size_t) {
    if (std::optional<bool> nested = opensInsideAnEntry("a list"))
        return *nested;
    switch (place_) {
    case Place::start:
        place_ = Place::major;
        return true;
    case Place::scan:
        place_ = Place::tree;
        folderStarts_ = true;
        return true;
    case Place::tree:
        if (folderStarts_)
            return fail("a folder’s list starts with a list instead of the folder");
        if (folders_.size() >= kMaxDepth)
            return fail("its folders are nested more than 10,000 deep");
        folderStarts_ = true;
        return true;
    default:
        return place_ == Place::end ? fail("it goes on after the scan ends") : headerWrong();
    }
}

bool ExportReader::end_array() {
    input_.resetStretch();
    if (skip_ > 0) {
        --skip_;
        return true;
    }
    switch (place_) {
    case Place::tree:
        if (folderStarts_)
            return fail("a folder’s list is empty");
        return closeFolder();
    case Place::end:
        place_ = Place::done;
        return true;
    default:
        return fail("it holds no scan");
    }
}

bool ExportReader::start_object(size_t) {
    if (std::optional<bool> nested = opensInsideAnEntry("an object"))
        return *nested;
    if (place_ == Place::header) {
        inHeader_ = true;
        field_ = Field::other;
        return true;
    }
    if (place_ != Place::tree)
        return place_ == Place::end ? fail("it goes on after the scan ends") : headerWrong();
    inEntry_ = true;
    field_ = Field::other;
    entry_ = Entry{};
    return true;
}

bool ExportReader::key(std::string& name) {
    input_.resetStretch();
    if (skip_ == 0)
        field_ = fieldNamed(name, inHeader_);
    return true;
}

bool ExportReader::end_object() {
    input_.resetStretch();
    if (skip_ > 0) {
        --skip_;
        return true;
    }
    if (inHeader_) {
        inHeader_ = false;
        place_ = Place::scan;
        return true;
    }
    inEntry_ = false;
    if (!entry_.name)
        return fail("an entry has no name");
    if (folderStarts_) {
        folderStarts_ = false;
        return openFolder();
    }
    return addFile();
}

bool ExportReader::version(uint64_t value) {
    if (place_ == Place::major) {
        if (value != 1)
            return fail("it is written in version " + std::to_string(value) +
                        " of the format, and only version 1 is known");
        place_ = Place::minor;
        return true;
    }
    if (value > 10'000)
        return headerWrong();
    place_ = Place::header;
    return true;
}

bool ExportReader::count(uint64_t value) {
    switch (field_) {
    case Field::asize:
    case Field::dsize:
        if (value > kMaxSize)
            return fail(fieldText(field_) + " is larger than any disk");
        (field_ == Field::dsize ? entry_.dsize : entry_.asize) = value;
        return true;
    case Field::dev:
        entry_.dev = value;
        return true;
    case Field::ino:
        entry_.ino = value;
        return true;
    case Field::nlink:
        entry_.nlink = value;
        return true;
    case Field::mtime:
        entry_.mtime =
            static_cast<int64_t>(std::min<uint64_t>(value, std::numeric_limits<int64_t>::max()));
        return true;
    case Field::timestamp:
        scan_.written = dateFromTimespec(
            static_cast<int64_t>(std::min<uint64_t>(value, std::numeric_limits<int64_t>::max())),
            0);
        return true;
    default:
        return scalar(Field::other, "a number");
    }
}

// Anything but a count or a name: fine for unknown fields and the right flags, a problem
// elsewhere. `expected` is the field a value of this kind belongs to, `kind` names it.
bool ExportReader::scalar(Field expected, const char* kind) {
    if (skip_ > 0)
        return true;
    if (inHeader_ || inEntry_) {
        if (field_ == Field::other || field_ == expected)
            return true;
        return fail(fieldText(field_) + " is " + kind);
    }
    if (place_ == Place::tree)
        return fail("a folder holds " + std::string(kind) + " where a file or folder should be");
    return place_ == Place::end || place_ == Place::done ? fail("it goes on after the scan ends")
                                                         : headerWrong();
}

bool ExportReader::null() {
    input_.resetStretch();
    return scalar(Field::other, "null");
}

bool ExportReader::boolean(bool value) {
    input_.resetStretch();
    if (skip_ == 0 && inEntry_) {
        switch (field_) {
        case Field::hlnkc:
            entry_.hlnkc = value;
            return true;
        case Field::readError:
            entry_.readError = value;
            return true;
        case Field::notreg:
            return true;
        default:
            break;
        }
    }
    return scalar(Field::other, "true or false");
}

bool ExportReader::number_unsigned(uint64_t value) {
    input_.resetStretch();
    if (skip_ > 0)
        return true;
    if (place_ == Place::major || place_ == Place::minor)
        return version(value);
    if (inEntry_ || inHeader_)
        return count(value);
    return scalar(Field::other, "a number");
}

bool ExportReader::number_integer(int64_t value) {
    input_.resetStretch();
    if (skip_ > 0)
        return true;
    // The parser hands non-negative numbers to `number_unsigned`: this one is negative.
    if (inEntry_ && field_ == Field::mtime) {
        entry_.mtime = value;
        return true;
    }
    if (inHeader_ && field_ == Field::timestamp) {
        scan_.written = dateFromTimespec(value, 0);
        return true;
    }
    if (place_ == Place::major || place_ == Place::minor)
        return headerWrong();
    if ((inEntry_ || inHeader_) && field_ != Field::other)
        return fail(fieldText(field_) + " is negative");
    return scalar(Field::other, "a number");
}

bool ExportReader::number_float(double value, const std::string&) {
    input_.resetStretch();
    if (skip_ > 0)
        return true;
    // Times may come with fractions; counts never do.
    if (std::isfinite(value) && std::abs(value) < 1e15) {
        if (inEntry_ && field_ == Field::mtime) {
            entry_.mtime = static_cast<int64_t>(std::floor(value));
            return true;
        }
        if (inHeader_ && field_ == Field::timestamp) {
            scan_.written = dateFromSecondsSince1970(value);
            return true;
        }
    }
    if (place_ == Place::major || place_ == Place::minor)
        return headerWrong();
    bool isSize = inEntry_ && (field_ == Field::asize || field_ == Field::dsize);
    if (isSize && value >= static_cast<double>(kMaxSize))
        return fail(fieldText(field_) + " is larger than any disk");
    if ((inEntry_ || inHeader_) && field_ != Field::other)
        return fail(fieldText(field_) + " is not a whole number");
    return scalar(Field::other, "a number");
}

bool ExportReader::string(std::string& value) {
    input_.resetStretch();
    if (skip_ == 0 && inEntry_) {
        if (field_ == Field::name) {
            ScanFileInput::restoreBytes(value);
            entry_.name = std::move(value);
            return true;
        }
        if (field_ == Field::excluded) {
            entry_.excluded = true;
            return true;
        }
    }
    if (skip_ == 0 && inHeader_ && (field_ == Field::progname || field_ == Field::progver)) {
        ScanFileInput::restoreBytes(value);
        (field_ == Field::progname ? scan_.program : scan_.programVersion) = std::move(value);
        return true;
    }
    return scalar(Field::other, "text");
}

bool ExportReader::validName(const std::string& name) const {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

bool ExportReader::addToTotal(uint64_t bytes, uint64_t apparent) {
    total_ += bytes;
    apparentTotal_ += apparent;
    if (total_ > kMaxTotal || apparentTotal_ > kMaxTotal)
        return fail("its sizes add up to more than any disk holds");
    return true;
}

bool ExportReader::openFolder() {
    std::string& name = *entry_.name;
    if (folders_.empty()) {
        if (name.empty() || name.find('\0') != std::string::npos)
            return fail("the scanned folder has no name");
        std::string path = standardizedPath(name);
        scan_.root = Node::makeRoot(lastPathComponent(path), path);
    } else if (!validName(name)) {
        return fail("a folder has a name no folder can have");
    }
    if (!folders_.empty() && entry_.excluded) {
        // Its list goes by unread, as the folder was never walked.
        skip_ = 1;
        return true;
    }
    constexpr uint64_t kGduFolder = 4096;
    uint64_t folderSize = scan_.program == "gdu" ? kGduFolder : 0;
    uint64_t dsize = entry_.dsize.value_or(folderSize);
    uint64_t asize = entry_.asize.value_or(folderSize);
    if (!addToTotal(dsize, asize))
        return false;
    Node::Ptr made =
        folders_.empty() ? scan_.root : Node::make(std::move(name), Node::Kind::directory);
    auto own = static_cast<int64_t>(dsize);
    made->size = made->unique = made->smallFileSize = made->smallFileUnique = own;
    made->apparent = made->smallFileApparent = static_cast<int64_t>(asize);
    if (entry_.mtime)
        made->modified = dateFromTimespec(*entry_.mtime, 0);
    if (entry_.readError) {
        made->isUnreadable = true;
        ++scan_.errors;
    }
    uint64_t dev = entry_.dev.value_or(folders_.empty() ? 0 : folders_.back().dev);
    Node* node = made.get();
    if (!folders_.empty())
        folders_.back().node->append(std::move(made));
    folders_.push_back({node, dev});
    return true;
}

bool ExportReader::closeFolder() {
    Node& node = *folders_.back().node;
    node.sortChildren();
    folders_.pop_back();
    if (folders_.empty()) {
        place_ = Place::end;
        return true;
    }
    Node& parent = *folders_.back().node;
    (Node::Figures::of(parent) + Node::Figures::of(node)).setOn(parent);
    return true;
}

bool ExportReader::addFile() {
    std::string& name = *entry_.name;
    if (!validName(name))
        return fail("a file has a name no file can have");
    if (entry_.excluded)
        return true;
    if (entry_.readError) {
        ++scan_.errors;
        return true;
    }
    Folder& folder = folders_.back();
    bool linked = entry_.ino && (entry_.hlnkc || entry_.nlink >= 2);
    if (linked && !links_.insert({entry_.dev.value_or(folder.dev), *entry_.ino}).second)
        return true;
    uint64_t dsize = entry_.dsize.value_or(0);
    uint64_t asize = entry_.asize.value_or(0);
    if (!addToTotal(dsize, asize))
        return false;
    auto allocated = static_cast<int64_t>(dsize);
    auto apparent = static_cast<int64_t>(asize);
    Node& node = *folder.node;
    node.size += allocated;
    node.unique += allocated;
    node.apparent += apparent;
    node.fileCount += 1;
    scan_.kinds.add(name, allocated, apparent);
    if (std::max(allocated, apparent) >= threshold_) {
        auto file = Node::make(std::move(name), Node::Kind::file);
        file->size = file->unique = allocated;
        file->apparent = apparent;
        file->fileCount = 1;
        if (entry_.mtime)
            file->modified = dateFromTimespec(*entry_.mtime, 0);
        node.append(std::move(file));
    } else {
        node.smallFileCount += 1;
        node.smallFileSize += allocated;
        node.smallFileUnique += allocated;
        node.smallFileApparent += apparent;
    }
    return true;
}

} // namespace tavelin
