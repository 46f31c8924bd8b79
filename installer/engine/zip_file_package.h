// Reader of the package stream data1.pck ... dataN.pck (layout in
// common/formats.h). It walks the entries and hands folders, file starts,
// inflated data (or the chunks as they lie, to callers that inflate them on
// threads of their own) and file ends to the caller; it writes nothing.
// Packages are switched only where a chunk header is due; a missing package
// is asked for through the next-disc callback, a short read through text
// slot 0 and a nearly full target disk through text slot 1.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/formats.h"
#include "common/platform.h"
#include "installer/engine/chunk_buffer.h"

struct libdeflate_decompressor;

// Inflates chunks, one whole zlib stream per call. Each thread that inflates
// needs one of its own.
class ChunkInflater {
public:
    ChunkInflater();
    ChunkInflater(const ChunkInflater&) = delete;
    ChunkInflater& operator=(const ChunkInflater&) = delete;

    // The inflated length, at most `statedSize`; nothing for damaged data, for
    // data that inflates to more than `statedSize` and when no decompressor
    // could be had.
    std::optional<size_t> inflate(const uint8_t* packed, size_t packedSize, uint8_t* out,
                                  size_t statedSize);

private:
    struct Free {
        void operator()(libdeflate_decompressor* decompressor) const;
    };
    std::unique_ptr<libdeflate_decompressor, Free> decompressor_;
};

// The free-space rule before a chunk is written: while the drive has less
// than the chunk and kSpareBytes free, ask (Yes looks again, No stops). The
// drive is asked only when that can matter: before the first chunk, when
// what was written since the last answer may have left less than that, and
// once kRequeryBytes were written since, so that what other programs write
// is noticed too.
class FreeSpaceRule {
public:
    static constexpr uint64_t kSpareBytes = 1U << 20;
    static constexpr uint64_t kRequeryBytes = 64U << 20;

    // The drive of "X:\..."; a folder without a drive letter is asked about as
    // it stands, and an unknown answer lets the unpack go on.
    FreeSpaceRule(Platform& platform, UserPrompt& prompt, std::wstring question,
                  const std::wstring& targetFolder);

    // Before `length` bytes are written; false when the user answered No.
    bool allows(uint64_t length);
    // allows() when it needs neither the system nor the user: true when the
    // last answer still covers `length` bytes (they are counted), false when
    // allows() must ask.
    bool allowsAtOnce(uint64_t length);

private:
    Platform& platform_;
    UserPrompt& prompt_;
    std::wstring question_;
    std::wstring drive_;
    bool queried_ = false;
    uint64_t sinceQuery_ = 0;
    uint64_t freeLeft_ = 0;  // the last answer less what was written since
};

// One chunk as it lies in the package, for callers that inflate it
// themselves (ChunkInflater) on threads of their own.
struct PackedChunk {
    ChunkBuffer bytes;  // packedSize bytes of one zlib stream
    uint32_t packedSize = 0;
    uint32_t statedSize = 0;  // what its header says it inflates to
};

// Where CZipFilePackage::UnCompressPacked hands the chunks, in stream order.
// What a user sees of a chunk (the message for data that does not inflate,
// the free-space question, a failed write) is the sink's business.
class PackedChunkSink {
public:
    virtual ~PackedChunkSink() = default;
    PackedChunkSink() = default;
    PackedChunkSink(const PackedChunkSink&) = delete;
    PackedChunkSink& operator=(const PackedChunkSink&) = delete;

    // A buffer to read the next chunk, of `size` bytes, into: one the sink is
    // done with, or a new one.
    virtual ChunkBuffer spareBuffer(size_t size) = 0;
    // False stops the walk without a message.
    virtual bool take(PackedChunk chunk) = 0;
    // Runs a step of the walk (an entry's create or end callback) after every
    // chunk taken before it is written, and before any taken after it; false
    // stops the walk (the step has said why). The step may run at once or
    // later, on another thread: it must own what it needs.
    virtual bool perform(std::function<bool()> step) = 0;
    // Waits until every chunk and step taken is dealt with; false when the
    // walk must stop (the sink has said why). The reader settles before every
    // message of its own, so that the user sees everything in the order of an
    // unpack that inflates each chunk before reading the next.
    virtual bool settle() = 0;
};

class CZipFilePackage {
public:
    static constexpr int kTextSlots = 10;
    static constexpr int kReadErrorQuestion = 0;  // asked after a short read
    static constexpr int kDiskFullQuestion = 1;   // asked when the target is nearly full

    // Results of UnCompress.
    static constexpr int kDone = 0;
    static constexpr int kStopped = 1;

    static constexpr uint64_t kSpareBytes = FreeSpaceRule::kSpareBytes;
    static constexpr unsigned kRetryDelayMs = 1000;
    static constexpr const wchar_t* kInflateFailedMessage = L"Failed to uncompress zip data!";
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
    // The same walk, with each chunk handed to `sink` as it lies in the
    // package instead of inflated and written: for callers that inflate on
    // threads of their own. The callbacks and questions are the same, but the
    // create and end callbacks run as the sink's steps (perform), which may be
    // on a thread of the sink's; it returns once the sink has dealt with
    // everything it took.
    int UnCompressPacked(void* context, const std::wstring& targetFolder,
                         const CreateEntryCallback& createEntry, const EndEntryCallback& endEntry,
                         PackedChunkSink& sink, const NextDiscCallback& nextDisc);
    void Close();

    // The free-space rule for a walk into `targetFolder`, with text slot 1.
    FreeSpaceRule freeSpaceRule(const std::wstring& targetFolder);

    const PackageHeader& header() const { return header_; }
    const std::wstring& mediumFolder() const { return mediumFolder_; }
    int currentPackage() const { return currentPackage_; }

private:
    class InlineSink;

    int walkEntries(void* context, const std::wstring& targetFolder,
                    const CreateEntryCallback& createEntry, const EndEntryCallback& endEntry,
                    const NextDiscCallback& nextDisc);
    bool settled();
    void fail(const wchar_t* message);
    void tell(const wchar_t* format, const std::wstring& value);
    bool readFully(void* buffer, size_t size);
    void openStream(const std::wstring& path);
    std::optional<uint64_t> streamSize();
    bool reachChunkHeader(const NextDiscCallback& nextDisc);
    bool openNextPackage(const NextDiscCallback& nextDisc);
    bool checkEntryName(const PackageEntry& entry);
    bool readChunk();

    Platform& platform_;
    UserPrompt& prompt_;
    std::unique_ptr<File> stream_;
    std::optional<uint64_t> streamSize_;  // of the package stream_ reads
    PackageHeader header_;
    std::wstring mediumFolder_;
    int currentPackage_ = 1;
    std::array<std::wstring, kTextSlots> texts_;
    // Where a retried read starts again: the path of the current package and
    // the offset just after the last complete record, header or chunk.
    std::wstring currentPath_;
    uint64_t resumePoint_ = 0;
    // The sink of the walk under way.
    PackedChunkSink* sink_ = nullptr;
    // Kept for the reader's lifetime, as are the buffers, which grow to the
    // largest chunk met: one for the compressed data and two for the inflated
    // data, which take turns.
    ChunkInflater inflater_;
    ChunkBuffer packed_;
    std::array<ChunkBuffer, 2> inflated_;
    size_t nextInflated_ = 0;
};
