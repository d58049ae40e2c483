#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using tavelin::platform::UniqueFd;

namespace {
bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}
} // namespace

TEST(UniqueFd, ClosesOnceWhenMovedAndDestroyed) {
    int raw = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    {
        UniqueFd first(raw);
        UniqueFd second(std::move(first));
        EXPECT_TRUE(!first && second.get() == raw);
        UniqueFd third;
        third = std::move(second);
        EXPECT_TRUE(isOpen(raw));
    }
    EXPECT_FALSE(isOpen(raw));
}
