#pragma once

#include <cstdio>

#include "platform.h"

// A File over a buffered stdio stream, which it closes.
class StdioFile : public File {
public:
    // The formats are read in small pieces (512-byte hash blocks, 520-byte
    // records); a buffer larger than the C library's default of a few KiB
    // saves most of the system calls, which cost most under Wine.
    static constexpr size_t kBufferSize = size_t{64} * 1024;

    explicit StdioFile(std::FILE* stream) : stream_(stream) {
        std::setvbuf(stream_, nullptr, _IOFBF, kBufferSize);
    }
    ~StdioFile() override { std::fclose(stream_); }

    size_t read(void* buffer, size_t size) override { return std::fread(buffer, 1, size, stream_); }
    size_t write(const void* data, size_t size) override {
        return std::fwrite(data, 1, size, stream_);
    }
    bool seek(uint64_t offset) override;
    std::optional<uint64_t> position() override;
    std::optional<uint64_t> size() override;
    bool atEnd() const override { return std::feof(stream_) != 0; }
    bool flush(bool durable) override;

private:
    bool seekTo(int64_t offset, int origin);
    int64_t tell();

    std::FILE* stream_;
};
