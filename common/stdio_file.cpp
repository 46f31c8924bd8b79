#include "stdio_file.h"

#include <cstdint>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>  // _commit: FlushFileBuffers on the stream's handle
#else
#include <unistd.h>
#endif

bool StdioFile::seekTo(int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(stream_, offset, origin) == 0;
#else
    return fseeko(stream_, static_cast<off_t>(offset), origin) == 0;
#endif
}

int64_t StdioFile::tell() {
#ifdef _WIN32
    return _ftelli64(stream_);
#else
    return static_cast<int64_t>(ftello(stream_));
#endif
}

bool StdioFile::seek(uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    return seekTo(static_cast<int64_t>(offset), SEEK_SET);
}

std::optional<uint64_t> StdioFile::position() {
    int64_t at = tell();
    if (at < 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(at);
}

std::optional<uint64_t> StdioFile::size() {
    // A file read only is measured by the system in one call; three seeks
    // would cost three.
    if (mode_ == OpenMode::Read) {
#ifdef _WIN32
        struct _stati64 status {};
        if (_fstati64(_fileno(stream_), &status) != 0) {
            return std::nullopt;
        }
#else
        struct stat status {};
        if (fstat(fileno(stream_), &status) != 0) {
            return std::nullopt;
        }
#endif
        return static_cast<uint64_t>(status.st_size);
    }
    int64_t at = tell();
    if (at < 0 || !seekTo(0, SEEK_END)) {
        return std::nullopt;
    }
    int64_t end = tell();
    if (!seekTo(at, SEEK_SET) || end < 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

bool StdioFile::flush(bool durable) {
    if (std::fflush(stream_) != 0) {
        return false;
    }
    if (!durable) {
        return true;
    }
#ifdef _WIN32
    return _commit(_fileno(stream_)) == 0;
#else
    return fsync(fileno(stream_)) == 0;
#endif
}
