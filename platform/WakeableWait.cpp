#include "platform/WakeableWait.h"

#include <poll.h>
#include <sys/eventfd.h>

namespace tavelin::platform {
namespace {

// Clears a wake-up, so that it ends one wait only.
void consume(int wakeFd) {
    eventfd_t count;
    ::eventfd_read(wakeFd, &count);
}

} // namespace

WakeableWait::WakeableWait()
    : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

bool WakeableWait::wait(int fd, int timeoutMs) const {
    pollfd waits[2] = {{fd, POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    int ready = ::poll(waits, 2, timeoutMs);
    if (ready > 0 && (waits[1].revents & POLLIN))
        consume(wake_.get());
    return ready > 0 && (waits[0].revents & POLLIN);
}

void WakeableWait::rest(int ms) const {
    pollfd wake = {wake_.get(), POLLIN, 0};
    if (::poll(&wake, 1, ms) > 0)
        consume(wake_.get());
}

void WakeableWait::wake() const {
    ::eventfd_write(wake_.get(), 1);
}

} // namespace tavelin::platform
