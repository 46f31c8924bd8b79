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
    EXPECT_EQ(progress.at(100, 1).overall, 10);
    const ProgressPercentages second = progress.at(199, 2);
    EXPECT_EQ(second.overall, 19);  // truncated, not rounded
    EXPECT_EQ(second.file, 50);
    progress.beginFile(3);
    EXPECT_EQ(progress.at(200, 1).file, 33);
    // A header that understated the total never takes the bar past 100.
    EXPECT_EQ(progress.at(5200, 2).overall, 100);
}

TEST(InstallProgressTest, ZeroTotalAndZeroChunksDivideByNothing) {
    InstallProgress empty(0);
    empty.beginFile(0);
    const ProgressPercentages done = empty.at(0, 0);
    EXPECT_EQ(done.overall, 100);
    EXPECT_EQ(done.file, 0);
}

TEST(InstallProgressTest, TheWorkerNotifiesOnceUntilThePageHasLooked) {
    ProgressCounters counters;
    EXPECT_TRUE(counters.chunkWritten(100));
    EXPECT_FALSE(counters.chunkWritten(50));
    EXPECT_FALSE(counters.chunkWritten(25));
    const ProgressCounters::Sample seen = counters.take();
    EXPECT_EQ(seen.bytesDone, 175u);
    EXPECT_EQ(seen.fileChunksDone, 3u);
    // A chunk after the page's look notifies again, so the last is never lost.
    EXPECT_TRUE(counters.beginFile(L"a.dat", 4));
    EXPECT_FALSE(counters.chunkWritten(5));
    const ProgressCounters::Sample next = counters.take();
    EXPECT_EQ(next.bytesDone, 180u);
    EXPECT_EQ(next.fileChunksDone, 1u);
    ASSERT_TRUE(next.fileBegun.has_value());
    EXPECT_EQ(next.fileBegun->name, L"a.dat");
    EXPECT_EQ(next.fileBegun->chunkCount, 4u);
}

TEST(InstallProgressTest, FoldersAndFilesBetweenTwoLooksComeAsTheLatest) {
    ProgressCounters counters;
    EXPECT_TRUE(counters.folderCreated());
    EXPECT_FALSE(counters.beginFile(L"one", 1));
    EXPECT_FALSE(counters.folderCreated());
    EXPECT_FALSE(counters.beginFile(L"two", 2));
    const ProgressCounters::Sample fileLast = counters.take();
    EXPECT_EQ(fileLast.foldersCreated, 2u);
    ASSERT_TRUE(fileLast.fileBegun.has_value());
    EXPECT_EQ(fileLast.fileBegun->name, L"two");
    EXPECT_FALSE(fileLast.folderLast);

    EXPECT_TRUE(counters.folderCreated());
    const ProgressCounters::Sample folderLast = counters.take();
    EXPECT_EQ(folderLast.foldersCreated, 1u);
    EXPECT_FALSE(folderLast.fileBegun.has_value());
    EXPECT_TRUE(folderLast.folderLast);
    // Nothing new: nothing to show but the counters.
    const ProgressCounters::Sample quiet = counters.take();
    EXPECT_EQ(quiet.foldersCreated, 0u);
    EXPECT_FALSE(quiet.fileBegun.has_value());
}

TEST(InstallProgressTest, ThePercentageLabelOnlyEverGrows) {
    InstallProgress progress(100);
    EXPECT_EQ(progress.newOverallPercentage(0), std::optional<int>(0));
    EXPECT_EQ(progress.newOverallPercentage(0), std::nullopt);
    EXPECT_EQ(progress.newOverallPercentage(7), std::optional<int>(7));
    EXPECT_EQ(progress.newOverallPercentage(5), std::nullopt);
}

}  // namespace
