#include "common/formats.h"

#include <gtest/gtest.h>

#include <string>

#include "common/relative_name.h"

namespace {

std::string bytesOf(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

TEST(FormatsTest, HeaderWritesEveryFieldLittleEndian) {
    PackageHeader header;
    header.entryCount = 0x04030201;
    header.totalSize = 0x0807060504030201ULL;
    header.packageCount = 0x0A;
    auto bytes = header.serialize();
    std::string expected(32, '\0');
    expected.replace(0, 4, "\x01\x02\x03\x04");
    expected[4] = 2;
    expected.replace(16, 8, "\x01\x02\x03\x04\x05\x06\x07\x08");
    expected[24] = 0x0A;
    EXPECT_EQ(bytesOf(bytes.data(), bytes.size()), expected);
}

TEST(FormatsTest, EntryRecordLayout) {
    PackageEntry entry;
    entry.name = u"a\\\u00e9\u4e2d";
    entry.type = kEntryTypeFile;
    entry.chunkCount = 0x01020304;
    auto bytes = entry.serialize();
    ASSERT_TRUE(bytes);
    std::string expected(520, '\0');
    expected.replace(0, 8, std::string("a\0\\\0\xe9\0\x2d\x4e", 8));
    expected.replace(512, 8, std::string("\x01\0\0\0\x04\x03\x02\x01", 8));
    EXPECT_EQ(bytesOf(bytes->data(), bytes->size()), expected);

    auto back = PackageEntry::parse(*bytes);
    EXPECT_EQ(back.name, entry.name);
    EXPECT_TRUE(back.nameTerminated);
    EXPECT_EQ(back.type, 1U);
    EXPECT_EQ(back.chunkCount, 0x01020304U);
}

TEST(FormatsTest, EntryNameFitsWithItsNulOrNotAtAll) {
    PackageEntry entry;
    entry.name = std::u16string(255, u'x');
    EXPECT_TRUE(entry.serialize());
    entry.name += u'x';
    EXPECT_FALSE(entry.serialize());

    PackageEntry::Bytes full{};
    full.fill(0x41);  // 256 units of U+4141, no NUL anywhere
    auto parsed = PackageEntry::parse(full);
    EXPECT_FALSE(parsed.nameTerminated);
    EXPECT_EQ(parsed.name.size(), 256U);

    // Bytes after the NUL carry no meaning.
    PackageEntry::Bytes junk{};
    junk.fill(0x41);
    junk[4] = junk[5] = 0;
    parsed = PackageEntry::parse(junk);
    EXPECT_TRUE(parsed.nameTerminated);
    EXPECT_EQ(parsed.name, std::u16string(2, u'\x4141'));
}

TEST(FormatsTest, ChunkHeaderAndBounds) {
    ChunkHeader chunk{0x11223344, 0x55667788};
    auto bytes = chunk.serialize();
    EXPECT_EQ(bytesOf(bytes.data(), bytes.size()), "\x44\x33\x22\x11\x88\x77\x66\x55");
    EXPECT_FALSE(chunk.withinBounds());
    EXPECT_TRUE((ChunkHeader{kMaxCompressedChunkSize, kMaxChunkSize}.withinBounds()));
    EXPECT_FALSE((ChunkHeader{kMaxCompressedChunkSize + 1, 0}.withinBounds()));
    EXPECT_FALSE((ChunkHeader{0, kMaxChunkSize + 1}.withinBounds()));
    // Incompressible data of the largest chunk still fits the compressed bound.
    EXPECT_GT(kMaxCompressedChunkSize, kMaxChunkSize + kMaxChunkSize / 65535 * 5);
}

TEST(FormatsTest, UninstallRecordLayout) {
    auto bytes = encodeUninstallRecord(u"FILE:C:\\G\\\u00e9");
    ASSERT_TRUE(bytes);
    std::string expected(520, '\0');
    expected.replace(0, 22, std::string("F\0I\0L\0E\0:\0C\0:\0\\\0G\0\\\0\xe9\0", 22));
    EXPECT_EQ(bytesOf(bytes->data(), bytes->size()), expected);
    EXPECT_EQ(decodeUninstallRecord(bytes->data()), u"FILE:C:\\G\\\u00e9");

    EXPECT_TRUE(encodeUninstallRecord(std::u16string(259, u'a')));
    EXPECT_FALSE(encodeUninstallRecord(std::u16string(260, u'a')));

    UninstallRecordBytes full{};
    full.fill(0x62);
    EXPECT_EQ(decodeUninstallRecord(full.data()).size(), 260U);
}

TEST(FormatsTest, CheckEntryLayout) {
    CheckEntry entry{u"bin\\game.exe", u"0123456789abcdef0123456789abcdef"};
    auto bytes = entry.serialize();
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 648U);
    std::string name(520, '\0');
    for (size_t i = 0; i < entry.name.size(); ++i) {
        name[2 * i] = static_cast<char>(entry.name[i]);
    }
    std::string digest(128, '\0');
    for (size_t i = 0; i < 32; ++i) {
        digest[2 * i] = static_cast<char>(entry.digest[i]);
    }
    EXPECT_EQ(bytesOf(bytes->data(), bytes->size()), name + digest);

    auto back = CheckEntry::parse(bytes->data());
    EXPECT_EQ(back.name, entry.name);
    EXPECT_EQ(back.digest, entry.digest);

    EXPECT_TRUE((CheckEntry{std::u16string(259, u'n'), u""}.serialize()));
    EXPECT_FALSE((CheckEntry{std::u16string(260, u'n'), u""}.serialize()));
    EXPECT_FALSE((CheckEntry{u"n", std::u16string(64, u'0')}.serialize()));
}

TEST(FormatsTest, PackagePathNamesTheNumber) {
    EXPECT_EQ(packagePath(L"E:", 12), L"E:\\data12.pck");
    EXPECT_EQ(packagePath(L"D:\\disc 1", 1), L"D:\\disc 1\\data1.pck");
}

TEST(RelativeNameTest, FaultsAreNamed) {
    EXPECT_EQ(findNameFault(L""), NameFault::Empty);
    EXPECT_EQ(findNameFault(L"\\x"), NameFault::Absolute);
    EXPECT_EQ(findNameFault(L"/x"), NameFault::Absolute);
    EXPECT_EQ(findNameFault(L"C:x"), NameFault::Colon);
    EXPECT_EQ(findNameFault(L"x\\y:z"), NameFault::Colon);
    EXPECT_EQ(findNameFault(L".."), NameFault::ParentStep);
    EXPECT_EQ(findNameFault(L"a\\..\\b"), NameFault::ParentStep);
    EXPECT_EQ(findNameFault(L"a/.."), NameFault::ParentStep);
    EXPECT_EQ(findNameFault(L"a\\. .\\b"), NameFault::ParentStep);
    EXPECT_EQ(findNameFault(L"a\\ \\b"), NameFault::ParentStep);
    EXPECT_EQ(findNameFault(L"a\\b"), NameFault::None);
    EXPECT_EQ(findNameFault(L"a\\\\b\\"), NameFault::None);
    EXPECT_EQ(findNameFault(L".\\a"), NameFault::None);
    EXPECT_EQ(findNameFault(L"..a\\b..\\.c"), NameFault::None);
}

}  // namespace
