#include "installer/engine/zip_file_package.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

class PackageOpenTest : public ::testing::Test {
protected:
    void writeHeader(const PackageHeader& header, size_t length = kPackageHeaderSize) {
        auto bytes = header.serialize();
        medium.write("data1.pck",
                     std::string(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    }

    TempFolder medium;
    PosixPlatform platform;
    ScriptedPrompt prompt;
    CZipFilePackage reader{platform, prompt};
};

TEST_F(PackageOpenTest, AcceptsVersionTwoAndKeepsHeader) {
    PackageHeader header;
    header.entryCount = 7;
    header.totalSize = 5'000'000'000ULL;
    header.packageCount = 3;
    writeHeader(header);
    ASSERT_TRUE(reader.Open(medium.wide()));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(reader.header().entryCount, 7U);
    EXPECT_EQ(reader.header().totalSize, 5'000'000'000ULL);
    EXPECT_EQ(reader.header().packageCount, 3U);
    EXPECT_EQ(reader.currentPackage(), 1);
}

TEST_F(PackageOpenTest, MissingPackageNamesTheMediumFolder) {
    EXPECT_FALSE(reader.Open(medium.wide()));
    ASSERT_EQ(prompt.shown.size(), 1U);
    EXPECT_EQ(prompt.shown[0].text, L"Failed to open package file! " + medium.wide());
    EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Stop);
}

TEST_F(PackageOpenTest, ShortHeader) {
    writeHeader(PackageHeader{}, 31);
    EXPECT_FALSE(reader.Open(medium.wide()));
    EXPECT_EQ(prompt.texts(),
              std::vector<std::wstring>{L"Failed to read file head! " + medium.wide()});
}

TEST_F(PackageOpenTest, OnlyVersionTwoIsKnown) {
    for (uint32_t version : {0U, 1U, 3U, 0x02000000U}) {
        PackageHeader header;
        header.version = version;
        writeHeader(header);
        prompt.shown.clear();
        EXPECT_FALSE(reader.Open(medium.wide())) << version;
        EXPECT_EQ(prompt.texts(),
                  std::vector<std::wstring>{L"Unknown file version! " + medium.wide()});
    }
}

TEST_F(PackageOpenTest, HeaderIsLittleEndian) {
    std::string bytes(32, '\0');
    bytes[0] = 0x01;
    bytes[1] = 0x02;  // entryCount 0x0201
    bytes[4] = 0x02;  // version 2
    bytes[16] = 0x10;
    bytes[20] = 0x01;  // totalSize 0x1'00000010
    bytes[24] = 0x02;  // packageCount 2
    medium.write("data1.pck", bytes);
    ASSERT_TRUE(reader.Open(medium.wide()));
    EXPECT_EQ(reader.header().entryCount, 0x0201U);
    EXPECT_EQ(reader.header().totalSize, 0x100000010ULL);
    EXPECT_EQ(reader.header().packageCount, 2U);
}

}  // namespace
