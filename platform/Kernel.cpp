#include "platform/Kernel.h"

#include <sys/utsname.h>

namespace tavelin::platform {

std::string kernelRelease() {
    struct utsname names;
    return ::uname(&names) == 0 ? std::string(names.release) : std::string();
}

} // namespace tavelin::platform
