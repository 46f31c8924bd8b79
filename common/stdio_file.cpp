#include "stdio_file.h"

#include <algorithm>
#include <cstdint>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>  // _commit: FlushFileBuffers on the stream's handle
#include <windows.h>
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

size_t StdioFile::writeAt(uint64_t offset, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
#ifdef _WIN32
    // A synchronous handle writes at the offset an OVERLAPPED names.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)));
    while (done < size) {
        const uint64_t at = offset + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, 1U << 30));
        DWORD written = 0;
        if (WriteFile(handle, bytes + done, piece, &written, &where) == 0 || written == 0) {
            break;
        }
        done += written;
    }
#else
    while (done < size) {
        const ssize_t written =
            pwrite(fileno(stream_), bytes + done, size - done, static_cast<off_t>(offset + done));
        if (written <= 0) {
            break;
        }
        done += static_cast<size_t>(written);
    }
#endif
    return done;
}
