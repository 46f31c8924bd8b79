#include "installer/engine/install_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class TargetFolderTest : public ::testing::Test {
protected:
    TargetFolderTest() : platform_(root_.path()) { fs::create_directory(root_.path() / "D"); }

    TempFolder root_;
    PosixPlatform platform_;
};

TEST_F(TargetFolderTest, CreatesEveryMissingLevelDownFromTheDrive) {
    EXPECT_EQ(createTargetFolder(platform_, L"D:\\Games\\Studio\\Varnholt"), std::nullopt);
    EXPECT_TRUE(fs::is_directory(root_.path() / "D" / "Games" / "Studio" / "Varnholt"));
    // Existing all the way: nothing to do.
    EXPECT_EQ(createTargetFolder(platform_, L"D:\\Games\\Studio\\Varnholt"), std::nullopt);
    EXPECT_EQ(createTargetFolder(platform_, L"D:"), std::nullopt);
}

TEST_F(TargetFolderTest, NamesTheFirstFolderThatCannotBeMade) {
    fs::create_directory(root_.path() / "D" / "Games");
    root_.write("D/Games/Varnholt", "a file where a folder should be");
    EXPECT_EQ(createTargetFolder(platform_, L"D:\\Games\\Varnholt\\Data\\Maps"),
              std::optional<std::wstring>(L"D:\\Games\\Varnholt"));
}

TEST(InstallProgressTest, FollowsBytesOverallAndChunksPerFile) {
    InstallProgress progress(1000);
    progress.beginFile(4);
    EXPECT_EQ(progress.chunkWritten(100).overall, 10);
    const ProgressPercentages second = progress.chunkWritten(99);
    EXPECT_EQ(second.overall, 19);  // truncated, not rounded
    EXPECT_EQ(second.file, 50);
    progress.beginFile(3);
    EXPECT_EQ(progress.chunkWritten(1).file, 33);
    // A header that understated the total never takes the bar past 100.
    EXPECT_EQ(progress.chunkWritten(5000).overall, 100);
}

TEST(InstallProgressTest, ZeroTotalAndZeroChunksDivideByNothing) {
    InstallProgress empty(0);
    empty.beginFile(0);
    const ProgressPercentages done = empty.chunkWritten(0);
    EXPECT_EQ(done.overall, 100);
    EXPECT_EQ(done.file, 0);
}

TEST(InstallProgressTest, ThePercentageLabelOnlyEverGrows) {
    InstallProgress progress(100);
    EXPECT_EQ(progress.newOverallPercentage(0), std::optional<int>(0));
    EXPECT_EQ(progress.newOverallPercentage(0), std::nullopt);
    EXPECT_EQ(progress.newOverallPercentage(7), std::optional<int>(7));
    EXPECT_EQ(progress.newOverallPercentage(5), std::nullopt);
}

}  // namespace
