#include "installer/app/startup.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

TEST(StartupPaths, MediumFolderTravelsAsOneArgument) {
    const std::wstring folder = L"D:\\Sample Game\\Disc 1";
    EXPECT_EQ(encodeMediumArgument(folder), L"D:\\Sample,Game\\Disc,1");
    EXPECT_EQ(mediumFolderFromArgument(encodeMediumArgument(folder)), folder);
    // A comma of the real name comes back as a space.
    EXPECT_EQ(mediumFolderFromArgument(encodeMediumArgument(L"D:\\A,B C")), L"D:\\A B C");
    // One trailing backslash goes.
    EXPECT_EQ(mediumFolderFromArgument(L"C:\\"), L"C:");
    EXPECT_EQ(mediumFolderFromArgument(L"D:\\Setup\\"), L"D:\\Setup");
    EXPECT_EQ(mediumFolderFromArgument(L""), L"");
}

TEST(StartupPaths, DefaultTargetFolderIsOnTheProgramsDrive) {
    const std::wstring programs = L"C:\\users\\me\\Start Menu\\Programs";
    EXPECT_EQ(defaultTargetFolderFor(programs, true, L"Varnholt"), L"C:\\Varnholt");
    EXPECT_EQ(defaultTargetFolderFor(programs, false, L"Varnholt"), L"C:");
    EXPECT_EQ(defaultTargetFolderFor(L"E:\\Programs", true, L""), L"E:\\");
}

TEST(StartupPaths, PrivateFolderAndDeletionOrder) {
    EXPECT_EQ(privateFolderFor(L"X:\\Temp\\"), L"X:\\Temp\\CKVStaging\\");
    const std::wstring p = L"X:\\Temp\\CKVStaging\\";
    EXPECT_EQ(deletionOrder(p, L"install.exe", true),
              (std::vector<std::wstring>{p + L"install.exe", p + L"install.ini", p + L"ijl15.dll",
                                         p + L"JPGI.dll"}));
    EXPECT_EQ(deletionOrder(p, L"install.exe", true, true),
              (std::vector<std::wstring>{p + L"install.exe", p + L"install.ini", p + L"ijl15.dll",
                                         p + L"JPGI.dll", p + L"uninstall.ini"}));
    EXPECT_EQ(deletionOrder(p, L"setup.exe", false, true),
              (std::vector<std::wstring>{p + L"setup.exe", p + L"ijl15.dll", p + L"JPGI.dll"}));
    EXPECT_EQ(deletionOrder(p, L"setup.exe", false),
              (std::vector<std::wstring>{p + L"setup.exe", p + L"ijl15.dll", p + L"JPGI.dll"}));
    EXPECT_EQ(filesCarriedByRelaunch(),
              (std::vector<std::wstring>{L"install.ini", L"JPGI.dll", L"ijl15.dll"}));
}

TEST(StartupPaths, FileNameIsAfterTheLastBackslash) {
    EXPECT_EQ(fileNameOf(L"D:\\a\\install.exe"), L"install.exe");
    EXPECT_EQ(fileNameOf(L"install.ini"), L"install.ini");
    EXPECT_EQ(fileNameOf(L"D:\\a\\"), L"");
}

class CopyFileToFolderTest : public ::testing::Test {
protected:
    TempFolder root;
    PosixPlatform platform;
};

TEST_F(CopyFileToFolderTest, CopiesUnderTheSameName) {
    root.write("medium/JPGI.dll", std::string("MZ\0\x01", 4));
    root.write("private/.keep", "");
    ASSERT_TRUE(
        copyFileToFolder(platform, root.wide("private"), root.wide("medium") + L"\\JPGI.dll"));
    EXPECT_EQ(root.read("private/JPGI.dll"), std::string("MZ\0\x01", 4));
}

TEST_F(CopyFileToFolderTest, ReplacesReadOnlyCopy) {
    root.write("medium/install.ini", "new");
    root.write("private/install.ini", "old and longer");
    std::filesystem::permissions(root.path() / "private/install.ini",
                                 std::filesystem::perms::owner_read);
    ASSERT_TRUE(
        copyFileToFolder(platform, root.wide("private"), root.wide("medium") + L"\\install.ini"));
    EXPECT_EQ(root.read("private/install.ini"), "new");
}

TEST_F(CopyFileToFolderTest, EmptyOrMissingSourceFails) {
    root.write("medium/ijl15.dll", "");
    root.write("private/.keep", "");
    EXPECT_FALSE(
        copyFileToFolder(platform, root.wide("private"), root.wide("medium") + L"\\ijl15.dll"));
    EXPECT_FALSE(
        copyFileToFolder(platform, root.wide("private"), root.wide("medium") + L"\\none.dll"));
    EXPECT_FALSE(
        copyFileToFolder(platform, root.wide("absent"), root.wide("medium") + L"\\ijl15.dll"));
}

}  // namespace
