#include "zip_file_package.h"

#include <libdeflate.h>

#include "common/relative_name.h"
#include "installer/engine/next_package.h"
#include "common/text.h"

ChunkInflater::ChunkInflater() : decompressor_(libdeflate_alloc_decompressor()) {}

void ChunkInflater::Free::operator()(libdeflate_decompressor* decompressor) const {
    libdeflate_free_decompressor(decompressor);
}

std::optional<size_t> ChunkInflater::inflate(const uint8_t* packed, size_t packedSize, uint8_t* out,
                                             size_t statedSize) {
    if (!decompressor_) {
        return std::nullopt;
    }
    // With a length to report, data that inflates to less than stated
    // succeeds; more than stated is LIBDEFLATE_INSUFFICIENT_SPACE.
    size_t length = 0;
    if (libdeflate_zlib_decompress(decompressor_.get(), packed, packedSize, out, statedSize,
                                   &length) != LIBDEFLATE_SUCCESS) {
        return std::nullopt;
    }
    return length;
}

FreeSpaceRule::FreeSpaceRule(Platform& platform, UserPrompt& prompt, std::wstring question,
                             const std::wstring& targetFolder)
    : platform_(platform), prompt_(prompt), question_(std::move(question)) {
    const bool hasDrive = targetFolder.size() >= 2 && targetFolder[1] == L':';
    drive_ = hasDrive ? targetFolder.substr(0, 2) : targetFolder;
}

bool FreeSpaceRule::allowsAtOnce(uint64_t length) {
    if (!queried_ || sinceQuery_ >= kRequeryBytes || freeLeft_ < length + kSpareBytes) {
        return false;
    }
    sinceQuery_ += length;
    freeLeft_ -= length;
    return true;
}

bool FreeSpaceRule::allows(uint64_t length) {
    if (allowsAtOnce(length)) {
        return true;
    }
    const uint64_t needed = length + kSpareBytes;
    for (;;) {
        auto free = platform_.freeBytes(drive_);
        if (!free) {
            freeLeft_ = UINT64_MAX;  // unknown: only the next regular query asks again
            break;
        }
        if (*free >= needed) {
            freeLeft_ = *free - length;
            break;
        }
        if (!prompt_.askYesNo(question_, MessageIcon::None)) {
            return false;
        }
    }
    queried_ = true;
    sinceQuery_ = length;
    return true;
}

// The sink of UnCompress: each chunk is inflated, checked against the
// free-space rule and written as it comes, on the walking thread.
class CZipFilePackage::InlineSink : public PackedChunkSink {
public:
    InlineSink(CZipFilePackage& reader, void* context, const std::wstring& targetFolder,
               const WriteDataCallback& writeData)
        : reader_(reader),
          context_(context),
          writeData_(writeData),
          rule_(reader.freeSpaceRule(targetFolder)) {}

    ChunkBuffer spareBuffer(size_t) override { return std::move(reader_.packed_); }

    bool take(PackedChunk chunk) override {
        reader_.packed_ = std::move(chunk.bytes);
        ChunkBuffer& inflated = reader_.inflated_[reader_.nextInflated_];
        reader_.nextInflated_ = 1 - reader_.nextInflated_;
        if (!inflated.reserve(chunk.statedSize)) {
            return false;
        }
        auto length = reader_.inflater_.inflate(reader_.packed_.data(), chunk.packedSize,
                                                inflated.data(), chunk.statedSize);
        if (!length) {
            reader_.prompt_.showMessage(kInflateFailedMessage, MessageIcon::None);
            return false;
        }
        return rule_.allows(*length) && writeData_(context_, inflated.data(), *length) != 0;
    }

    bool perform(std::function<bool()> step) override { return step(); }
    bool settle() override { return true; }

private:
    CZipFilePackage& reader_;
    void* context_;
    const WriteDataCallback& writeData_;
    FreeSpaceRule rule_;
};

CZipFilePackage::CZipFilePackage(Platform& platform, UserPrompt& prompt)
    : platform_(platform), prompt_(prompt) {}

CZipFilePackage::~CZipFilePackage() = default;

void CZipFilePackage::SetText(int index, const std::wstring& text) {
    if (index >= 0 && index < kTextSlots) {
        texts_[static_cast<size_t>(index)] = text;
    }
}

FreeSpaceRule CZipFilePackage::freeSpaceRule(const std::wstring& targetFolder) {
    return FreeSpaceRule(platform_, prompt_, texts_[kDiskFullQuestion], targetFolder);
}

bool CZipFilePackage::settled() {
    return sink_ == nullptr || sink_->settle();
}

void CZipFilePackage::fail(const wchar_t* message) {
    stream_.reset();
    prompt_.showMessage(fillTextFormat(message, mediumFolder_), MessageIcon::Stop);
}

void CZipFilePackage::tell(const wchar_t* format, const std::wstring& value) {
    // Called from a step, in stream order.
    prompt_.showMessage(fillTextFormat(format, value), MessageIcon::None);
}

bool CZipFilePackage::Open(const std::wstring& mediumFolder) {
    mediumFolder_ = mediumFolder;
    currentPackage_ = 1;
    currentPath_ = packagePath(mediumFolder_, currentPackage_);
    openStream(currentPath_);
    if (!stream_) {
        fail(L"Failed to open package file! %s");
        return false;
    }
    PackageHeader::Bytes bytes{};
    if (stream_->read(bytes.data(), bytes.size()) != bytes.size()) {
        fail(L"Failed to read file head! %s");
        return false;
    }
    header_ = PackageHeader::parse(bytes);
    if (header_.version != kPackageVersion) {
        fail(L"Unknown file version! %s");
        return false;
    }
    return true;
}

void CZipFilePackage::Close() {
    stream_.reset();
}

bool CZipFilePackage::readFully(void* buffer, size_t size) {
    for (;;) {
        if (stream_ && stream_->read(buffer, size) == size) {
            resumePoint_ += size;
            return true;
        }
        // Ask until the package can be opened again at the resume point, or
        // until the user gives up.
        if (!settled()) {
            return false;
        }
        for (;;) {
            if (!prompt_.askYesNo(texts_[kReadErrorQuestion], MessageIcon::Stop)) {
                return false;
            }
            platform_.sleep(kRetryDelayMs);
            openStream(currentPath_);
            if (stream_ && stream_->seek(resumePoint_)) {
                break;
            }
            stream_.reset();
        }
    }
}

bool CZipFilePackage::openNextPackage(const NextDiscCallback& nextDisc) {
    ++currentPackage_;
    if (static_cast<uint64_t>(currentPackage_) > header_.packageCount || !settled()) {
        return false;
    }
    stream_.reset();
    const std::atomic<bool> never{false};
    if (!waitForPackage(
            platform_, mediumFolder_, currentPackage_, nextDisc,
            [this](const std::wstring& folder) {
                openStream(packagePath(folder, currentPackage_));
                return stream_ != nullptr;
            },
            FoundNotice::Always, never)) {
        return false;
    }
    currentPath_ = packagePath(mediumFolder_, currentPackage_);
    resumePoint_ = 0;
    return true;
}

void CZipFilePackage::openStream(const std::wstring& path) {
    stream_ = platform_.open(path, OpenMode::Read);
    streamSize_.reset();
}

// Measured once a package: asked before every chunk, the system was asked
// once a file of a game of small files.
std::optional<uint64_t> CZipFilePackage::streamSize() {
    if (!stream_) {
        return std::nullopt;
    }
    if (!streamSize_) {
        streamSize_ = stream_->size();
    }
    return streamSize_;
}

bool CZipFilePackage::reachChunkHeader(const NextDiscCallback& nextDisc) {
    for (;;) {
        const auto size = streamSize();
        // An unknown length is left to the read, which retries on its own.
        if (!size || *size < resumePoint_ || *size - resumePoint_ >= kChunkHeaderSize) {
            return true;
        }
        // Fewer than 8 bytes cannot hold a chunk header: padding at the end
        // of a package, and the stream goes on in the next one.
        if (!openNextPackage(nextDisc)) {
            return false;
        }
    }
}

bool CZipFilePackage::checkEntryName(const PackageEntry& entry) {
    const std::wstring name = wideFromUtf16(entry.name);
    if ((!entry.nameTerminated || !isSafeRelativeName(name)) && !settled()) {
        return false;
    }
    if (!entry.nameTerminated) {
        prompt_.showMessage(
            fillTextFormat(L"Invalid entry name in the package (no end within 512 bytes): %s",
                           name),
            MessageIcon::Stop);
        return false;
    }
    if (!isSafeRelativeName(name)) {
        prompt_.showMessage(
            fillTextFormat(
                L"Unsafe entry name in the package (not a path below the target folder): %s", name),
            MessageIcon::Stop);
        return false;
    }
    return true;
}

bool CZipFilePackage::readChunk() {
    ChunkHeader::Bytes headerBytes{};
    if (!readFully(headerBytes.data(), headerBytes.size())) {
        return false;
    }
    const ChunkHeader header = ChunkHeader::parse(headerBytes);
    // Checked before anything is allocated: a damaged header must not ask for
    // gigabytes.
    if (!header.withinBounds()) {
        if (settled()) {
            prompt_.showMessage(fillTextFormat(L"Invalid chunk size in %s!", currentPath_),
                                MessageIcon::Stop);
        }
        return false;
    }
    PackedChunk chunk{sink_->spareBuffer(header.compressedSize), header.compressedSize,
                      header.uncompressedSize};
    if (!chunk.bytes.reserve(header.compressedSize) ||
        !readFully(chunk.bytes.data(), header.compressedSize)) {
        return false;
    }
    return sink_->take(std::move(chunk));
}

int CZipFilePackage::UnCompress(void* context, const std::wstring& targetFolder,
                                const CreateEntryCallback& createEntry,
                                const EndEntryCallback& endEntry,
                                const WriteDataCallback& writeData,
                                const NextDiscCallback& nextDisc) {
    InlineSink sink(*this, context, targetFolder, writeData);
    return UnCompressPacked(context, targetFolder, createEntry, endEntry, sink, nextDisc);
}

int CZipFilePackage::UnCompressPacked(void* context, const std::wstring& targetFolder,
                                      const CreateEntryCallback& createEntry,
                                      const EndEntryCallback& endEntry, PackedChunkSink& sink,
                                      const NextDiscCallback& nextDisc) {
    if (!stream_ || !stream_->seek(kPackageHeaderSize)) {
        return kStopped;
    }
    sink_ = &sink;
    int result = walkEntries(context, targetFolder, createEntry, endEntry, nextDisc);
    // Whatever ended the walk, the chunks already taken are dealt with
    // before the caller hears of it.
    if (!sink.settle()) {
        result = kStopped;
    }
    sink_ = nullptr;
    return result;
}

int CZipFilePackage::walkEntries(void* context, const std::wstring& targetFolder,
                                 const CreateEntryCallback& createEntry,
                                 const EndEntryCallback& endEntry,
                                 const NextDiscCallback& nextDisc) {
    resumePoint_ = kPackageHeaderSize;
    currentPath_ = packagePath(mediumFolder_, currentPackage_);
    for (uint32_t index = 0; index < header_.entryCount; ++index) {
        if (!stream_ || stream_->atEnd()) {
            return kStopped;
        }
        PackageEntry::Bytes record{};
        if (!readFully(record.data(), record.size())) {
            return kStopped;
        }
        const PackageEntry entry = PackageEntry::parse(record);
        if (entry.type != kEntryTypeFile && entry.type != kEntryTypeFolder) {
            if (settled()) {
                prompt_.showMessage(
                    L"CZipFilePackage::UnCompress(), Failed to uncompress,unknowable chunk type!",
                    MessageIcon::None);
            }
            return kStopped;
        }
        if (!checkEntryName(entry)) {
            return kStopped;
        }
        const bool isFolder = entry.type == kEntryTypeFolder;
        const uint32_t chunkCount = entry.chunkCount;
        // Created in stream order by the sink, so that the reader goes on
        // reading while the chunks before are still being written.
        const bool created = sink_->perform([this, context, &createEntry, &targetFolder, isFolder,
                                             chunkCount, name = wideFromUtf16(entry.name)] {
            if (createEntry(context, isFolder ? 1 : 0, chunkCount, targetFolder, name) != 0) {
                return true;
            }
            tell(isFolder ? L"Failed to create %s! " : L"Failed to create %s!", targetFolder);
            return false;
        });
        if (!created) {
            return kStopped;
        }
        if (isFolder) {
            continue;
        }
        for (uint32_t chunk = 0; chunk < chunkCount; ++chunk) {
            if (!reachChunkHeader(nextDisc) || !readChunk()) {
                return kStopped;
            }
        }
        if (!sink_->perform([context, &endEntry] { return endEntry(context) != 0; })) {
            return kStopped;
        }
    }
    return kDone;
}
