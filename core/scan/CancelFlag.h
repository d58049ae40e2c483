#pragma once

// One scan's stop request, set on the UI thread and read by its walkers at each publication.
// Thread safety: `set_` is guarded by `lock_`.

#include <mutex>

namespace tavelin {

class CancelFlag {
public:
    void cancel() {
        std::lock_guard guard(lock_);
        set_ = true;
    }
    bool isSet() const {
        std::lock_guard guard(lock_);
        return set_;
    }

private:
    mutable std::mutex lock_;
    bool set_ = false; // guarded by lock_
};

} // namespace tavelin
