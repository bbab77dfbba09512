#include "base/file_descriptor.h"

#include <array>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <utility>

namespace velnorix {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

std::array<int, 2> OpenPipe() {
    std::array<int, 2> ends{};
    EXPECT_EQ(::pipe2(ends.data(), O_CLOEXEC), 0);
    return ends;
}

TEST(FileDescriptorTest, OwnershipTravelsWithAMoveAndEndsInOneClose) {
    const auto [readEnd, writeEnd] = OpenPipe();
    {
        FileDescriptor first(readEnd);
        FileDescriptor moved(std::move(first));
        EXPECT_FALSE(first.IsValid());
        EXPECT_EQ(moved.Get(), readEnd);

        FileDescriptor second(writeEnd);
        moved = std::move(second); // the descriptor it held is closed first
        EXPECT_FALSE(IsOpen(readEnd));
        EXPECT_EQ(moved.Get(), writeEnd);
        EXPECT_TRUE(IsOpen(writeEnd));
    }
    EXPECT_FALSE(IsOpen(writeEnd));
}

TEST(FileDescriptorTest, CloseReportsTheCloseAndLeavesNothingForLater) {
    const auto [readEnd, writeEnd] = OpenPipe();
    FileDescriptor keep(readEnd);
    FileDescriptor file(writeEnd);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(file.IsValid());
    EXPECT_FALSE(IsOpen(writeEnd));
    EXPECT_EQ(file.Close(), 0); // nothing open: nothing closed, nothing to report
    EXPECT_TRUE(IsOpen(readEnd));
}

} // namespace
} // namespace velnorix
