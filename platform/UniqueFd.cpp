#include "UniqueFd.h"

#include <unistd.h>

namespace tavelin::platform {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

} // namespace tavelin::platform
