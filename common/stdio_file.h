#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform.h"

// A File over a buffered stdio stream, which it closes.
class StdioFile : public File {
public:
    // The formats are read in small pieces (520-byte records, 8-byte chunk
    // headers); a buffer larger than the C library's default of a few KiB
    // saves most of the system calls, which cost most under Wine.
    static constexpr size_t kBufferSize = size_t{64} * 1024;

    // A buffer of our own: given none, the C library of the native build
    // asks the system for the file's block size (a stat per open) and keeps
    // its own few KiB whatever size is asked for.
    StdioFile(std::FILE* stream, OpenMode mode)
        : stream_(stream), mode_(mode), buffer_(static_cast<char*>(std::malloc(kBufferSize))) {
        std::setvbuf(stream_, buffer_.get(), buffer_ ? _IOFBF : _IONBF, buffer_ ? kBufferSize : 0);
    }
    ~StdioFile() override { std::fclose(stream_); }
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    size_t read(void* buffer, size_t size) override { return std::fread(buffer, 1, size, stream_); }
    size_t write(const void* data, size_t size) override {
        return std::fwrite(data, 1, size, stream_);
    }
    size_t writeAt(uint64_t offset, const void* data, size_t size) override;
    bool seek(uint64_t offset) override;
    std::optional<uint64_t> position() override;
    std::optional<uint64_t> size() override;
    bool atEnd() const override { return std::feof(stream_) != 0; }
    bool flush(bool durable) override;

private:
    bool seekTo(int64_t offset, int origin);
    int64_t tell();

    struct Free {
        void operator()(char* bytes) const { std::free(bytes); }
    };

    std::FILE* stream_;
    OpenMode mode_;
    std::unique_ptr<char, Free> buffer_;  // freed after the stream is closed
};
