// Fuzz target for the package reader. Input: one byte of settings, then for
// each extra package a 16-bit little-endian length, then the bytes of the
// stream, cut into data1.pck ... dataN.pck at those lengths.
//   settings bits 0-1: extra packages (0 to 3)
//            bit 2:    the 9x family (the next-disc poll without retries)
//            bit 3:    a nearly full disk
//            bits 4-5: read-error and disk questions answered Yes this often
//            bit 6:    data2.pck missing at first (the next-disc protocol)
//            bit 7:    the create callback refuses folders
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/relative_name.h"
#include "installer/engine/zip_file_package.h"
#include "tests/fuzz/memory_platform.h"

namespace {

const std::wstring kMedium = L"E:";
const std::wstring kTarget = L"C:\\Games\\Fuzz";

struct Sink {
    uint64_t written = 0;
    uint64_t allowed = 0;  // what the chunk headers stated
    bool refuseFolders = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t settings = data[0];
    const size_t extra = settings & 3;
    size_t at = 1;
    std::vector<size_t> cuts;
    for (size_t i = 0; i < extra && at + 2 <= size; ++i, at += 2) {
        cuts.push_back(data[at] | (data[at + 1] << 8));
    }
    MemoryPlatform platform;
    platform.ntFamily = (settings & 4) == 0;
    if (settings & 8) {
        platform.free = 1000;
    }
    std::string stream(reinterpret_cast<const char*>(data + at), size - at);
    std::vector<std::string> packages;
    size_t from = 0;
    for (size_t cut : cuts) {
        const size_t take = cut < stream.size() - from ? cut : stream.size() - from;
        packages.push_back(stream.substr(from, take));
        from += take;
    }
    packages.push_back(stream.substr(from));
    for (size_t i = 0; i < packages.size(); ++i) {
        if (i == 1 && (settings & 64)) {
            continue;
        }
        platform.files[packagePath(kMedium, static_cast<int>(i) + 1)] = packages[i];
    }

    CountingPrompt prompt((settings >> 4) & 3);
    CZipFilePackage reader(platform, prompt);
    reader.SetText(0, L"read error");
    reader.SetText(1, L"disk full");
    if (!reader.Open(kMedium)) {
        return 0;
    }
    Sink sink;
    sink.refuseFolders = (settings & 128) != 0;
    int polls = 0;
    const std::string second = packages.size() > 1 ? packages[1] : std::string();
    reader.UnCompress(
        &sink, kTarget,
        [](void* context, int isFolder, uint32_t, const std::wstring& target,
           const std::wstring& name) {
            // The reader hands over only names that stay below the target.
            if (target != kTarget || !isSafeRelativeName(name)) {
                std::abort();
            }
            return isFolder && static_cast<Sink*>(context)->refuseFolders ? 0 : 1;
        },
        [](void*) { return 1; },
        [](void* context, const uint8_t* bytes, size_t length) {
            auto& s = *static_cast<Sink*>(context);
            if (length > kMaxChunkSize || (length > 0 && bytes == nullptr)) {
                std::abort();
            }
            s.written += length;
            return 1;
        },
        [&](std::wstring& folder, int number) {
            if (number == -1) {
                return 2;
            }
            // No answer twice, then the disc appears; give up after that.
            if (++polls == 3 && number == 2 && (settings & 64)) {
                platform.files[packagePath(folder, 2)] = second;
                return 0;
            }
            return polls < 3 ? 2 : 1;
        });
    return 0;
}
