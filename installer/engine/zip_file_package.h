// Reader of the package stream data1.pck ... dataN.pck (layout in
// common/formats.h). It walks the entries and hands folders, file starts,
// inflated data and file ends to the caller's callbacks; it writes nothing.
// Packages are switched only where a chunk header is due; a missing package
// is asked for through the next-disc callback, a short read through text
// slot 0 and a nearly full target disk through text slot 1.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/formats.h"
#include "common/platform.h"
#include "installer/engine/chunk_buffer.h"

class CZipFilePackage {
public:
    static constexpr int kTextSlots = 10;
    static constexpr int kReadErrorQuestion = 0;  // asked after a short read
    static constexpr int kDiskFullQuestion = 1;   // asked when the target is nearly full

    // Results of UnCompress.
    static constexpr int kDone = 0;
    static constexpr int kStopped = 1;

    // Space left on the target drive beyond the chunk about to be written.
    static constexpr uint64_t kSpareBytes = 1U << 20;
    static constexpr unsigned kRetryDelayMs = 1000;

    // The callbacks of UnCompress. The first three get `context` back
    // unchanged, so a plain function with a context pointer (the installer's
    // worker) fits as well as a lambda. Each answers non-zero to go on.
    //   create: isFolder is 1 for a folder, 0 for a file; the name is the
    //           entry's path below targetFolder, already checked to stay below it.
    //   write:  the inflated bytes of one chunk. They stay valid until the
    //           write callback returns the next time (two buffers take
    //           turns), or until Close, so a caller may write them out on
    //           another thread while the next chunk is inflated.
    //   end:    after the last chunk of each file.
    // The next-disc callback gets the medium folder (it may change it) and the
    // number of the missing package, and answers 0 (try again now), 1 (give
    // up) or anything else (no answer yet: the reader waits a second, and on
    // the NT family tries the file again before the next call). Once the
    // package has opened it is called with an empty folder and -1.
    using CreateEntryCallback =
        std::function<int(void* context, int isFolder, uint32_t chunkCount,
                          const std::wstring& targetFolder, const std::wstring& name)>;
    using WriteDataCallback = std::function<int(void* context, const uint8_t* data, size_t length)>;
    using EndEntryCallback = std::function<int(void* context)>;
    using NextDiscCallback = std::function<int(std::wstring& mediumFolder, int packageNumber)>;

    CZipFilePackage(Platform& platform, UserPrompt& prompt);
    virtual ~CZipFilePackage();
    CZipFilePackage(const CZipFilePackage&) = delete;
    CZipFilePackage& operator=(const CZipFilePackage&) = delete;

    void SetText(int index, const std::wstring& text);
    // Opens data1.pck in the folder and checks its header; shows its own
    // message and answers false on failure.
    bool Open(const std::wstring& mediumFolder);
    // Walks the whole stream once, after Open: kDone when every entry was
    // handled, kStopped after an error (with its message), a refusal by a
    // callback or by the user. Nothing is undone here.
    int UnCompress(void* context, const std::wstring& targetFolder,
                   const CreateEntryCallback& createEntry, const EndEntryCallback& endEntry,
                   const WriteDataCallback& writeData, const NextDiscCallback& nextDisc);
    void Close();

    const PackageHeader& header() const { return header_; }
    const std::wstring& mediumFolder() const { return mediumFolder_; }
    int currentPackage() const { return currentPackage_; }

private:
    void fail(const wchar_t* message);
    void tell(const wchar_t* format, const std::wstring& value);
    bool readFully(void* buffer, size_t size);
    bool reachChunkHeader(const NextDiscCallback& nextDisc);
    bool openNextPackage(const NextDiscCallback& nextDisc);
    bool waitForFreeSpace(const std::wstring& targetFolder, uint64_t bytes);
    bool checkEntryName(const PackageEntry& entry);
    bool unpackChunk(void* context, const std::wstring& targetFolder,
                     const WriteDataCallback& writeData);

    Platform& platform_;
    UserPrompt& prompt_;
    std::unique_ptr<File> stream_;
    PackageHeader header_;
    std::wstring mediumFolder_;
    int currentPackage_ = 1;
    std::array<std::wstring, kTextSlots> texts_;
    // Where a retried read starts again: the path of the current package and
    // the offset just after the last complete record, header or chunk.
    std::wstring currentPath_;
    uint64_t resumePoint_ = 0;
    // Grown to the largest chunk met and kept until Close: one buffer for the
    // compressed data and two for the inflated data, which take turns.
    ChunkBuffer packed_;
    std::array<ChunkBuffer, 2> inflated_;
    size_t nextInflated_ = 0;
};
