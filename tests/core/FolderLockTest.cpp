// The data folder's lock: one holder at a time, who holds it, and a lock file that cannot be opened.
#include "platform/Errors.h"
#include "platform/FolderOwner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

TEST(FolderLock, HasOneHolderAtATimeAndSaysWhoHoldsIt)
{
    TTempDir dir;
    auto first = platform::TFolderLock::TryAcquire(dir.Path());
    ASSERT_TRUE(first);
    first->SetNote("window /run/user/1000/quillon-0123456789abcdef.sock");

    // A second object in the same process is refused as another process would be.
    platform::TLockHolder holder;
    EXPECT_FALSE(platform::TFolderLock::TryAcquire(dir.Path(), &holder));
    EXPECT_EQ(holder.pid, platform::CurrentProcessId());
    EXPECT_EQ(holder.note, "window /run/user/1000/quillon-0123456789abcdef.sock");

    // A shorter note replaces the longer one whole.
    first->SetNote("");
    EXPECT_FALSE(platform::TFolderLock::TryAcquire(dir.Path(), &holder));
    EXPECT_EQ(holder.note, "");
    EXPECT_EQ(dir.Read(platform::FolderLockFileName), std::to_string(platform::CurrentProcessId()) + "\n");

    first.reset();
    auto next = platform::TFolderLock::TryAcquire(dir.Path(), &holder);
    EXPECT_TRUE(next);
    // The lock file stays: deleting it could give two processes two files to lock.
    EXPECT_TRUE(dir.Exists(platform::FolderLockFileName));
}

TEST(FolderLock, FolderThatIsNotThereIsNamedInTheError)
{
    TTempDir dir;
    const std::string folder = dir.File("missing");
    try {
        platform::TFolderLock::TryAcquire(folder);
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.File("missing")), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(platform::FolderLockFileName), std::string::npos) << e.what();
    }
}
