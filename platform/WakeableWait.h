#pragma once

// Waits for a descriptor to become readable, in a way another thread can cut short.

#include "platform/UniqueFd.h"

namespace tavelin::platform {

class WakeableWait {
public:
    WakeableWait();
    explicit operator bool() const { return static_cast<bool>(wake_); }

    // Waits until `fd` is readable, `wake` is called or `timeoutMs` passes (no limit when
    // negative). Returns whether `fd` is readable.
    bool wait(int fd, int timeoutMs) const;
    // Sleeps `ms` milliseconds, or less when `wake` is called.
    void rest(int ms) const;
    // Ends a wait or a rest early, or the next one when none is under way; any thread.
    void wake() const;

private:
    UniqueFd wake_;
};

} // namespace tavelin::platform
