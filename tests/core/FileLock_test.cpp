#include "core/FileLock.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace calc {
namespace {

using test::TTempFolder;
using test::WriteAll;
using TKind = TFileLock::TKind;

/// True when another open of the file cannot take the exclusive lock now.
bool LockedByOthers(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

class FileLock : public ::testing::Test {
protected:
    TTempFolder FFolder;
    std::string FName = FFolder.File("History.txt");
};

TEST_F(FileLock, ExclusiveLockCreatesAMissingFileToLock)
{
    const TFileLock lock(FName, TKind::Exclusive);
    EXPECT_TRUE(lock.Held());
    EXPECT_TRUE(std::filesystem::is_regular_file(FName));
    EXPECT_TRUE(LockedByOthers(FName));
}

TEST_F(FileLock, SharedLockLeavesAMissingFileMissing)
{
    const TFileLock lock(FName, TKind::Shared);
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(std::filesystem::exists(FName));
}

TEST_F(FileLock, ReleasedOnDestruction)
{
    WriteAll(FName, "x");
    {
        const TFileLock lock(FName, TKind::Exclusive);
        EXPECT_TRUE(LockedByOthers(FName));
    }
    EXPECT_FALSE(LockedByOthers(FName));
}

TEST_F(FileLock, FolderInPlaceOfTheFileIsNotLocked)
{
    std::filesystem::create_directory(FName);
    const TFileLock lock(FName, TKind::Exclusive);
    EXPECT_FALSE(lock.Held());
}

TEST_F(FileLock, WaiterLocksTheFileThatReplacedTheOneItWaitedFor)
{
    WriteAll(FName, "old");
    const int holder = ::open(FName.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    auto waiting = std::async(std::launch::async, [&] {
        auto lock = std::make_unique<TFileLock>(FName, TKind::Exclusive);
        return lock;
    });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    // The holder saves as the program does: a new file renamed over the old one.
    WriteAll(FFolder.File("new"), "new");
    ASSERT_EQ(std::rename(FFolder.File("new").c_str(), FName.c_str()), 0);
    ::close(holder);
    const std::unique_ptr<TFileLock> lock = waiting.get();
    EXPECT_TRUE(lock->Held());
    EXPECT_TRUE(LockedByOthers(FName));
}

} // namespace
} // namespace calc
