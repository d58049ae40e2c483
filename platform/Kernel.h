#pragma once

// The running kernel, which a system must keep.

#include <string>

namespace tavelin::platform {

// The running kernel's release, as `uname -r` prints it ("6.1.0-18-amd64"); empty when the
// system does not say.
std::string kernelRelease();

} // namespace tavelin::platform
