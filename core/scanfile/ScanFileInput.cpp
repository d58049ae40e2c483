#include "scanfile/ScanFileInput.h"

#include "util/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <zlib.h>

namespace tavelin {
namespace {

// A byte that is not UTF-8 travels as two characters: U+10FFFF, a noncharacter kept for such
// internal use, then U+10FE00 plus the byte. Both are four bytes long in UTF-8.
constexpr char kMark[] = "\xF4\x8F\xBF\xBF";
constexpr size_t kStandIn = 8;

void appendStandIn(std::vector<char>& out, unsigned char byte) {
    out.insert(out.end(), kMark, kMark + 4);
    out.push_back('\xF4');
    out.push_back('\x8F');
    out.push_back(static_cast<char>(0xB8 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

} // namespace

struct ScanFileInput::Compressed {
    gzFile file = nullptr;
};

ScanFileInput::ScanFileInput(int fd)
    : gz_(std::make_unique<Compressed>())
    , raw_(kBatch) {
    gz_->file = ::gzdopen(fd, "rb");
    if (!gz_->file) {
        ::close(fd);
        readError_ = std::strerror(ENOMEM);
        ended_ = true;
        return;
    }
    ::gzbuffer(gz_->file, kBatch);
    fill();
    compressed_ = !::gzdirect(gz_->file);
}

ScanFileInput::~ScanFileInput() {
    if (gz_->file)
        ::gzclose(gz_->file);
}

uint64_t ScanFileInput::offset() const {
    auto at = static_cast<size_t>(cursor_ - batch_);
    auto standIns = std::count_if(replaced_.begin(), replaced_.end(),
                                  [&](size_t start) { return start + kStandIn <= at; });
    return batchStart_ + at - static_cast<uint64_t>(standIns) * (kStandIn - 1);
}

size_t ScanFileInput::readRaw(char* into, size_t wanted) {
    int got = ::gzread(gz_->file, into, static_cast<unsigned>(wanted));
    if (got >= 0)
        return static_cast<size_t>(got);
    int code = Z_OK;
    ::gzerror(gz_->file, &code);
    // A compressed stream cut short reads as the end of the file, which the parser then finds
    // unfinished.
    if (code == Z_ERRNO)
        readError_ = std::strerror(errno);
    else if (code != Z_BUF_ERROR)
        damaged_ = true;
    return 0;
}

void ScanFileInput::fill() {
    batchStart_ = delivered_;
    replaced_.clear();
    batch_ = cursor_ = limit_ = raw_.data();
    if (ended_ || delivered_ - stretchStart_ > kStretch) {
        overran_ = !ended_;
        ended_ = true;
        return;
    }
    do {
        // The parser is done with the last batch: the sequence held back moves to the front.
        std::memmove(raw_.data(), raw_.data() + heldFrom_, held_);
        size_t got = readRaw(raw_.data() + held_, raw_.size() - held_);
        ended_ = got == 0;
        repair(held_ + got, ended_);
    } while (limit_ == batch_ && !ended_);
}

// Finds the bytes that are not UTF-8 and hands the batch on, with stand-ins for them when there
// are any. A sequence cut by the end of the batch is held back for the next one.
void ScanFileInput::repair(size_t length, bool last) {
    std::string_view bytes(raw_.data(), length);
    size_t usable = length;
    std::vector<size_t> bad;
    for (size_t i = 0; i < length;) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t sequence = utf8SequenceLength(bytes.substr(i));
        if (sequence > 0) {
            i += sequence;
        } else if (!last && length - i < 4) {
            usable = i;
            break;
        } else {
            bad.push_back(i++);
        }
    }
    heldFrom_ = usable;
    held_ = length - usable;
    delivered_ += usable;
    limit_ = raw_.data() + usable;
    if (bad.empty())
        return;
    repaired_.clear();
    size_t from = 0;
    for (size_t at : bad) {
        repaired_.insert(repaired_.end(), raw_.data() + from, raw_.data() + at);
        replaced_.push_back(repaired_.size());
        appendStandIn(repaired_, static_cast<unsigned char>(raw_[at]));
        from = at + 1;
    }
    repaired_.insert(repaired_.end(), raw_.data() + from, raw_.data() + usable);
    batch_ = cursor_ = repaired_.data();
    limit_ = batch_ + repaired_.size();
}

void ScanFileInput::restoreBytes(std::string& text) {
    size_t at = text.find(kMark, 0, 4);
    if (at == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (; at != std::string::npos; at = text.find(kMark, at, 4)) {
        auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
        bool standIn = at + kStandIn <= text.size() && byte(4) == 0xF4 && byte(5) == 0x8F &&
                       (byte(6) & 0xFC) == 0xB8 && (byte(7) & 0xC0) == 0x80;
        if (!standIn) {
            at += 4;
            continue;
        }
        out.append(text, from, at - from);
        out += static_cast<char>(((byte(6) & 0x03) << 6) | (byte(7) & 0x3F));
        at += kStandIn;
        from = at;
    }
    out.append(text, from);
    text = std::move(out);
}

} // namespace tavelin
