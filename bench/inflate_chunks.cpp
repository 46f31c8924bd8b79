// The reference for extraction: reads the package stream of a medium and
// inflates every chunk with libdeflate, as the reader does, writing nothing.
// It follows the stream's rules (next package where a chunk header is due and
// fewer than 8 bytes are left) with plain stdio and no checks beyond what the
// walk needs.
//   bench_inflate MEDIUM_DIR
#include <libdeflate.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

uint32_t u32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Stream {
    std::string folder;
    int number = 1;
    std::FILE* file = nullptr;
    long size = 0;

    bool open() {
        if (file != nullptr) {
            std::fclose(file);
        }
        const std::string path = folder + "/data" + std::to_string(number) + ".pck";
        file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return false;
        }
        std::fseek(file, 0, SEEK_END);
        size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        return true;
    }
    bool read(void* buffer, size_t length) { return std::fread(buffer, 1, length, file) == length; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_inflate MEDIUM_DIR\n");
        return 2;
    }
    Stream stream{argv[1]};
    unsigned char header[32];
    if (!stream.open() || !stream.read(header, sizeof(header))) {
        return 1;
    }
    const uint32_t entries = u32(header);
    std::vector<unsigned char> packed;
    std::vector<unsigned char> inflated;
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!decompressor) {
        return 1;
    }
    uint64_t total = 0;
    for (uint32_t i = 0; i < entries; ++i) {
        unsigned char record[520];
        if (!stream.read(record, sizeof(record))) {
            return 1;
        }
        if (u32(record + 512) != 1) {
            continue;
        }
        for (uint32_t chunk = u32(record + 516); chunk > 0; --chunk) {
            if (stream.size - std::ftell(stream.file) < 8) {
                ++stream.number;
                if (!stream.open()) {
                    return 1;
                }
            }
            unsigned char sizes[8];
            if (!stream.read(sizes, sizeof(sizes))) {
                return 1;
            }
            packed.resize(u32(sizes));
            inflated.resize(u32(sizes + 4));
            if (!stream.read(packed.data(), packed.size())) {
                return 1;
            }
            size_t length = 0;
            if (libdeflate_zlib_decompress(decompressor.get(), packed.data(), packed.size(),
                                           inflated.data(), inflated.size(),
                                           &length) != LIBDEFLATE_SUCCESS) {
                return 1;
            }
            total += length;
        }
    }
    std::printf("%llu bytes inflated\n", static_cast<unsigned long long>(total));
    return 0;
}
