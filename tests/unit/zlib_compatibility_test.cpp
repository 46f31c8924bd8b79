// Media and zlib agree both ways: what medium packs (with libdeflate) zlib's
// uncompress inflates chunk for chunk, and chunks zlib compressed (as media
// made by other tools carry them) the reader inflates.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <sstream>

#include "installer/engine/zip_file_package.h"
#include "tests/support/package_builder.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"
#include "tools/medium/commands.h"

namespace {

std::string noise(size_t size) {
    std::string bytes(size, '\0');
    uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        b = static_cast<char>(state);
    }
    return bytes;
}

std::string text(size_t size) {
    std::string bytes;
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "line " + std::to_string(line * 7919 % 1000) + " of the ledger\r\n";
    }
    bytes.resize(size);
    return bytes;
}

// Contents that take each kind of block: none, stored, fixed and dynamic
// Huffman codes, and data that only grows when compressed. Several chunks
// each at kChunk.
constexpr size_t kChunk = 64 << 10;
const std::map<std::string, std::string>& contents() {
    static const std::map<std::string, std::string> files = {
        {"empty.txt", ""},
        {"one.txt", "x"},
        {"ledger.txt", text(3 * kChunk + 1234)},
        {"noise.bin", noise(2 * kChunk + 77)},
        {"runs.bin", std::string(kChunk + 5, 'r') + std::string(kChunk, '\0')},
    };
    return files;
}

int chunkCount() {
    int count = 0;
    for (const auto& file : contents()) {
        count += static_cast<int>((file.second.size() + kChunk - 1) / kChunk);
    }
    return count;
}

const std::wstring kTarget = L"C:\\Target";

int createFile(void* context, int isFolder, uint32_t, const std::wstring&,
               const std::wstring& name) {
    auto& files = *static_cast<std::map<std::string, std::string>*>(context);
    if (!isFolder) {
        files[utf8FromWide(name)];
        files[""] = utf8FromWide(name);  // the file being filled
    }
    return 1;
}

int endFile(void*) {
    return 1;
}

// Gives every chunk to zlib's uncompress, in stream order.
class ZlibSink : public PackedChunkSink {
public:
    explicit ZlibSink(std::map<std::string, std::string>& files) : files_(files) {}
    ChunkBuffer spareBuffer(size_t) override { return ChunkBuffer(); }
    bool take(PackedChunk chunk) override {
        std::string out(chunk.statedSize, '\0');
        uLongf length = chunk.statedSize;
        if (uncompress(reinterpret_cast<Bytef*>(&out[0]), &length, chunk.bytes.data(),
                       chunk.packedSize) != Z_OK) {
            return false;
        }
        files_[files_[""]] += out.substr(0, length);
        ++chunks;
        return true;
    }
    bool perform(std::function<bool()> step) override { return step(); }
    bool settle() override { return true; }
    int chunks = 0;

private:
    std::map<std::string, std::string>& files_;
};

TEST(ZlibCompatibilityTest, ZlibInflatesWhatMediumPacksAtEveryLevel) {
    TempFolder root;
    for (const auto& [name, bytes] : contents()) {
        root.write("game/" + name, bytes);
    }
    for (const char* level : {"0", "1", "6", "9"}) {
        SCOPED_TRACE(level);
        std::ostringstream out;
        std::ostringstream err;
        std::istringstream in;
        Console console{out, err, in, false, false};
        PosixPlatform platform;
        ASSERT_EQ(
            runMedium({"pack", (root.path() / "game").string(), (root.path() / level).string(),
                       "--level", level, "--chunk-size", std::to_string(kChunk)},
                      platform, console),
            kExitOk)
            << err.str();
        ScriptedPrompt prompt;
        CZipFilePackage reader(platform, prompt);
        ASSERT_TRUE(reader.Open(root.wide(level)));
        std::map<std::string, std::string> files;
        ZlibSink sink(files);
        EXPECT_EQ(reader.UnCompressPacked(&files, kTarget, createFile, endFile, sink, {}),
                  CZipFilePackage::kDone);
        files.erase("");
        EXPECT_EQ(files, contents());
        EXPECT_EQ(sink.chunks, chunkCount());
        EXPECT_TRUE(prompt.shown.empty());
    }
}

TEST(ZlibCompatibilityTest, ReaderInflatesWhatZlibCompressedAtEveryLevel) {
    for (int level : {0, 1, 6, 9}) {
        SCOPED_TRACE(level);
        PackageBuilder builder;
        for (const auto& [name, bytes] : contents()) {
            const uint32_t count = static_cast<uint32_t>((bytes.size() + kChunk - 1) / kChunk);
            builder.file(std::u16string(name.begin(), name.end()), count);
            for (size_t at = 0; at < bytes.size(); at += kChunk) {
                builder.chunk(bytes.substr(at, kChunk), -1, level);
            }
        }
        TempFolder medium;
        builder.writeTo(medium);
        PosixPlatform platform;
        ScriptedPrompt prompt;
        CZipFilePackage reader(platform, prompt);
        ASSERT_TRUE(reader.Open(medium.wide()));
        std::map<std::string, std::string> files;
        int writes = 0;
        EXPECT_EQ(reader.UnCompress(&files, kTarget, createFile, endFile,
                                    [&](void* context, const uint8_t* data, size_t length) {
                                        auto& f = *static_cast<decltype(files)*>(context);
                                        f[f[""]].append(reinterpret_cast<const char*>(data),
                                                        length);
                                        ++writes;
                                        return 1;
                                    },
                                    {}),
                  CZipFilePackage::kDone);
        files.erase("");
        EXPECT_EQ(files, contents());
        EXPECT_EQ(writes, chunkCount());
        EXPECT_TRUE(prompt.shown.empty());
    }
}

}  // namespace
