#include "common/folder_chain.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

TEST(FolderChainTest, CreatesMissingParentsOnADrive) {
    TempFolder root;
    std::filesystem::create_directory(root.path() / "C");
    PosixPlatform platform(root.path());
    EXPECT_TRUE(CreateFolderChain(platform, L"C:\\Games\\Studio\\Varnholt"));
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "C" / "Games" / "Studio" / "Varnholt"));
    // Existing folders, a trailing backslash and the bare drive are fine.
    EXPECT_TRUE(CreateFolderChain(platform, L"C:\\Games\\Studio\\"));
    EXPECT_TRUE(CreateFolderChain(platform, L"C:"));
    EXPECT_FALSE(CreateFolderChain(platform, L""));
}

TEST(FolderChainTest, HostPathsWithSlashes) {
    TempFolder root;
    PosixPlatform platform;
    EXPECT_TRUE(CreateFolderChain(platform, root.wide() + L"/a/b\\c"));
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "a" / "b" / "c"));
    // A file in the way stops the chain.
    root.write("file", "x");
    EXPECT_FALSE(CreateFolderChain(platform, root.wide() + L"/file/sub"));
}

}  // namespace
