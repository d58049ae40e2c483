#include "support/TmpfsMount.h"

#include <sys/mount.h>
#include <unistd.h>

namespace tavelin::test {

TmpfsMount::TmpfsMount(const std::filesystem::path& mountPoint, int64_t bytes)
    : mountPoint_(mountPoint) {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a tmpfs needs root";
        return;
    }
    std::filesystem::create_directories(mountPoint_);
    std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tavelin-test", mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        whyNot_ = "mounting a tmpfs was refused here";
        return;
    }
    mounted_ = true;
}

TmpfsMount::~TmpfsMount() {
    if (mounted_)
        ::umount2(mountPoint_.c_str(), MNT_DETACH);
}

bool TmpfsMount::setReadOnly(bool readOnly) {
    unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tavelin-test", mountPoint_.c_str(), "tmpfs", flags, nullptr) == 0;
}

} // namespace tavelin::test
