#include "UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavelin::platform {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

UniqueFd UniqueFd::duplicate() const {
    return UniqueFd(fd_ < 0 ? -1 : ::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
}

} // namespace tavelin::platform
