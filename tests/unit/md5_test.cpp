#include <gtest/gtest.h>

#include <cstring>

#include "common/md5_digest.h"
#include "installer/engine/file_hash.h"
#include "tests/support/fault_platform.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

std::string digestOf(const std::string& data) {
    Md5Digest digest;
    digest.update(data.data(), data.size());
    digest.finish();
    return digest.toText();
}

TEST(Md5DigestTest, Rfc1321Vectors) {
    EXPECT_EQ(digestOf(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(digestOf("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(digestOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(digestOf("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(digestOf("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(digestOf("1234567890123456789012345678901234567890"
                       "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5DigestTest, PiecesGiveTheSameDigestAsTheWhole) {
    Md5Digest digest;
    for (const char* piece : {"mess", "", "age ", "digest"}) {
        digest.update(piece, std::strlen(piece));
    }
    auto bytes = digest.finish();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(md5Text(*bytes), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ((*bytes)[0], 0xf9);
}

TEST(Md5DigestTest, TextNeedsRoomForItsNul) {
    Md5Digest digest;
    digest.update("abc", 3);
    char buffer[40];
    std::memset(buffer, '#', sizeof(buffer));
    size_t capacity = 32;
    EXPECT_EQ(digest.toText(buffer, capacity), nullptr);  // not finished yet
    digest.finish();
    EXPECT_EQ(digest.toText(buffer, capacity), nullptr);
    EXPECT_EQ(capacity, 32U);
    EXPECT_EQ(buffer[0], '#');
    capacity = 64;
    EXPECT_EQ(digest.toText(nullptr, capacity), nullptr);
    EXPECT_EQ(capacity, 64U);
    capacity = 33;
    EXPECT_EQ(digest.toText(buffer, capacity), buffer);
    EXPECT_EQ(capacity, 32U);
    EXPECT_EQ(std::string(buffer), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(buffer[33], '#');
}

TEST(Md5DigestTest, WithoutContextNothingHappensAndNoTextComesOut) {
    Md5Digest original;
    Md5Digest moved(std::move(original));
    EXPECT_TRUE(moved.hasContext());
    EXPECT_FALSE(original.hasContext());  // NOLINT: a moved-from digest has no context
    original.update("abc", 3);
    EXPECT_FALSE(original.finish());
    char buffer[64];
    size_t capacity = sizeof(buffer);
    EXPECT_EQ(original.toText(buffer, capacity), nullptr);
    EXPECT_EQ(original.toText(), "");
    // Once finished, the context is spent.
    moved.finish();
    EXPECT_FALSE(moved.hasContext());
    moved.update("more", 4);
    EXPECT_EQ(moved.toText(), "d41d8cd98f00b204e9800998ecf8427e");
}

std::string sample(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
    }
    return bytes;
}

class FileHashTest : public ::testing::Test {
protected:
    std::optional<std::string> hash(const std::string& name, const HashProgress& progress = {},
                                    const std::atomic<bool>* stop = nullptr) {
        return HashFileMd5(platform, prompt, folder.wide(name), progress, stop);
    }

    TempFolder folder;
    PosixPlatform posix;
    FaultPlatform platform{posix};
    ScriptedPrompt prompt;
};

TEST_F(FileHashTest, BlocksAndTailGiveTheDigestOfTheWholeFile) {
    for (size_t size : {1U, 3U, 511U, 512U, 513U, 1024U, 512U * 7 + 100, 100000U}) {
        SCOPED_TRACE(size);
        folder.write("f", sample(size));
        EXPECT_EQ(hash("f"), digestOf(sample(size)));
    }
    folder.write("abc", "abc");
    EXPECT_EQ(hash("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(FileHashTest, ProgressOnlyWhenTheWholePercentageChanges) {
    std::vector<int> seen;
    auto record = [&](int percent) { seen.push_back(percent); };
    folder.write("three", sample(512 * 3 + 20));
    hash("three", record);
    EXPECT_EQ(seen, (std::vector<int>{33, 66, 100}));  // nothing for the tail

    seen.clear();
    folder.write("small", sample(511));
    hash("small", record);
    EXPECT_TRUE(seen.empty());

    seen.clear();
    folder.write("many", sample(512 * 1000));
    hash("many", record);
    ASSERT_EQ(seen.size(), 101U);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_EQ(seen[static_cast<size_t>(i)], i);
    }
}

TEST_F(FileHashTest, StopFlagIsSeenAfterAFullBlock) {
    folder.write("f", sample(512 * 10));
    std::atomic<bool> stop{false};
    int calls = 0;
    auto result = hash(
        "f",
        [&](int) {
            ++calls;
            stop = true;
        },
        &stop);
    EXPECT_FALSE(result);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(prompt.shown.empty());
    // A stop flag that stays clear changes nothing.
    stop = false;
    EXPECT_EQ(hash("f", {}, &stop), digestOf(sample(512 * 10)));
}

TEST_F(FileHashTest, EmptyAndMissingFilesGiveAnEmptyText) {
    folder.write("empty", "");
    EXPECT_EQ(hash("empty"), "");
    EXPECT_TRUE(prompt.shown.empty());

    EXPECT_EQ(hash("missing"), "");
    ASSERT_EQ(prompt.shown.size(), 1U);
    EXPECT_EQ(prompt.shown[0].text, L"Failed to open source file: " + folder.wide("missing") +
                                        L",No such file or directory");
    EXPECT_EQ(prompt.shown[0].icon, MessageIcon::Stop);
}

TEST_F(FileHashTest, ShortReadsGiveNoResult) {
    folder.write("f", sample(2000));
    for (uint64_t offset : {700U, 1990U}) {  // in a block, in the tail
        prompt.shown.clear();
        platform.shortReads = {{folder.wide("f"), offset}};
        EXPECT_FALSE(hash("f"));
        EXPECT_EQ(prompt.texts(),
                  std::vector<std::wstring>{L"Failed to read file: " + folder.wide("f")});
    }
}

}  // namespace
