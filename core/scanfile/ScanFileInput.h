#pragma once

// The bytes of a scan file as the JSON parser reads them: from an open descriptor (a file or a
// pipe), plain or gzip-compressed (told by its first bytes, not its name), in 256 KiB batches.
//
// Two things are done to the bytes on the way. Names in these files are the file system's bytes,
// which need not be UTF-8, and the parser rejects anything that is not: each byte that is not part
// of a well-formed sequence is handed on as a marked private-use character, which `restoreBytes`
// turns back into the byte. And a parser keeps a whole value in memory, so the input ends early
// (`overran`) once more than `kStretch` bytes pass without the reader calling `resetStretch`:
// no entry is that long, and a file of garbage cannot fill the memory.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace tavelin {

class ScanFileInput {
public:
    static constexpr size_t kBatch = 262'144;
    static constexpr uint64_t kStretch = 1'048'576;

    // Reads from `fd`, which it closes when done.
    explicit ScanFileInput(int fd);
    ~ScanFileInput();
    ScanFileInput(const ScanFileInput&) = delete;
    ScanFileInput& operator=(const ScanFileInput&) = delete;

    // A single-pass iterator over the bytes; every copy reads from the same input.
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = char;
        using difference_type = std::ptrdiff_t;
        using pointer = const char*;
        using reference = const char&;

        Iterator() = default;
        explicit Iterator(ScanFileInput* input)
            : input_(input) {}
        const char& operator*() const { return *input_->cursor_; }
        Iterator& operator++() {
            if (++input_->cursor_ == input_->limit_)
                input_->fill();
            return *this;
        }
        // Only ever compared with `end()`: equal once the bytes ran out.
        bool operator==(const Iterator&) const { return input_->cursor_ == input_->limit_; }

    private:
        ScanFileInput* input_ = nullptr;
    };

    Iterator begin() { return Iterator(this); }
    Iterator end() { return Iterator(this); }

    // How many bytes of the file, after decompression, the parser has taken.
    uint64_t offset() const;
    void resetStretch() { stretchStart_ = delivered_; }
    bool overran() const { return overran_; }
    bool compressed() const { return compressed_; }
    // Whether the parser has taken every byte there is.
    bool exhausted() const { return ended_ && cursor_ == limit_; }
    // The system's error when reading failed ("Input/output error"); empty when it did not.
    const std::string& readError() const { return readError_; }
    // Whether the compressed data turned out damaged (reading stopped there).
    bool damaged() const { return damaged_; }

    // A name as the file held it: the marked characters standing for bytes become those bytes.
    static void restoreBytes(std::string& text);

private:
    void fill();
    size_t readRaw(char* into, size_t wanted);
    void repair(size_t length, bool last);

    struct Compressed;
    std::unique_ptr<Compressed> gz_;
    bool compressed_ = false;
    std::vector<char> raw_;
    // The start of a sequence the batch ended in, at raw_[heldFrom_], read again with the next.
    size_t heldFrom_ = 0;
    size_t held_ = 0;
    std::vector<char> repaired_;
    // Positions in the batch where a byte was replaced by its 8-byte stand-in.
    std::vector<size_t> replaced_;
    const char* batch_ = nullptr;
    const char* cursor_ = nullptr;
    const char* limit_ = nullptr;
    uint64_t batchStart_ = 0; // offset in the file of the batch's first byte
    uint64_t delivered_ = 0;  // offset in the file of the batch's end
    uint64_t stretchStart_ = 0;
    bool ended_ = false;
    bool overran_ = false;
    bool damaged_ = false;
    std::string readError_;
};

} // namespace tavelin
