#pragma once

// Owns one file descriptor and closes it when it goes; -1 means none.

#include <utility>

namespace tavelin::platform {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    // A second descriptor of the same open file (close-on-exec); none when that fails.
    UniqueFd duplicate() const;
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1);
    // Gives the descriptor up without closing it, for a caller that closes it and checks how.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

} // namespace tavelin::platform
