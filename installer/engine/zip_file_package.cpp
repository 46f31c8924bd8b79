#include "zip_file_package.h"

#include <zlib.h>

#include "common/relative_name.h"
#include "common/text.h"

CZipFilePackage::CZipFilePackage(Platform& platform, UserPrompt& prompt)
    : platform_(platform), prompt_(prompt) {}

CZipFilePackage::~CZipFilePackage() = default;

void CZipFilePackage::SetText(int index, const std::wstring& text) {
    if (index >= 0 && index < kTextSlots) {
        texts_[static_cast<size_t>(index)] = text;
    }
}

void CZipFilePackage::fail(const wchar_t* message) {
    stream_.reset();
    prompt_.showMessage(fillTextFormat(message, mediumFolder_), MessageIcon::Stop);
}

void CZipFilePackage::tell(const wchar_t* format, const std::wstring& value) {
    prompt_.showMessage(fillTextFormat(format, value), MessageIcon::None);
}

bool CZipFilePackage::Open(const std::wstring& mediumFolder) {
    mediumFolder_ = mediumFolder;
    currentPackage_ = 1;
    currentPath_ = packagePath(mediumFolder_, currentPackage_);
    stream_ = platform_.open(currentPath_, OpenMode::Read);
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
        for (;;) {
            if (!prompt_.askYesNo(texts_[kReadErrorQuestion], MessageIcon::Stop)) {
                return false;
            }
            platform_.sleep(kRetryDelayMs);
            stream_ = platform_.open(currentPath_, OpenMode::Read);
            if (stream_ && stream_->seek(resumePoint_)) {
                break;
            }
            stream_.reset();
        }
    }
}

bool CZipFilePackage::openNextPackage(const NextDiscCallback& nextDisc) {
    ++currentPackage_;
    if (static_cast<uint64_t>(currentPackage_) > header_.packageCount) {
        return false;
    }
    stream_.reset();
    for (;;) {
        const std::wstring path = packagePath(mediumFolder_, currentPackage_);
        stream_ = platform_.open(path, OpenMode::Read);
        if (stream_) {
            std::wstring noFolder;
            if (nextDisc) {
                nextDisc(noFolder, -1);
            }
            currentPath_ = path;
            resumePoint_ = 0;
            return true;
        }
        for (;;) {
            const int answer = nextDisc ? nextDisc(mediumFolder_, currentPackage_) : 1;
            if (answer == 0) {
                break;
            }
            if (answer == 1) {
                return false;
            }
            platform_.sleep(kRetryDelayMs);
            // On the NT family the drive is looked at again every second, so
            // inserting the disc is enough; 9x only polls the prompt.
            if (platform_.isNtFamily()) {
                break;
            }
        }
    }
}

bool CZipFilePackage::reachChunkHeader(const NextDiscCallback& nextDisc) {
    for (;;) {
        auto size = stream_ ? stream_->size() : std::nullopt;
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

bool CZipFilePackage::waitForFreeSpace(const std::wstring& targetFolder, uint64_t bytes) {
    // The drive of "X:\..."; a folder without a drive letter is asked about
    // as it stands, and an unknown answer lets the unpack go on.
    const bool hasDrive = targetFolder.size() >= 2 && targetFolder[1] == L':';
    const std::wstring where = hasDrive ? targetFolder.substr(0, 2) : targetFolder;
    for (;;) {
        auto free = platform_.freeBytes(where);
        if (!free || *free >= bytes + kSpareBytes) {
            return true;
        }
        if (!prompt_.askYesNo(texts_[kDiskFullQuestion], MessageIcon::None)) {
            return false;
        }
    }
}

bool CZipFilePackage::checkEntryName(const PackageEntry& entry) {
    const std::wstring name = wideFromUtf16(entry.name);
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

bool CZipFilePackage::unpackChunk(void* context, const std::wstring& targetFolder,
                                  const WriteDataCallback& writeData) {
    ChunkBuffer& inflated = inflated_[nextInflated_];
    nextInflated_ = 1 - nextInflated_;
    ChunkHeader::Bytes headerBytes{};
    if (!readFully(headerBytes.data(), headerBytes.size())) {
        return false;
    }
    const ChunkHeader chunk = ChunkHeader::parse(headerBytes);
    // Checked before anything is allocated: a damaged header must not ask for
    // gigabytes.
    if (!chunk.withinBounds()) {
        prompt_.showMessage(fillTextFormat(L"Invalid chunk size in %s!", currentPath_),
                            MessageIcon::Stop);
        return false;
    }
    // One byte more than stated is offered, so that data inflating to more
    // than its stated size is told apart from data that fits exactly.
    if (!packed_.reserve(chunk.compressedSize) || !inflated.reserve(chunk.uncompressedSize + 1U)) {
        return false;
    }
    if (!readFully(packed_.data(), chunk.compressedSize)) {
        return false;
    }
    uLongf length = static_cast<uLongf>(chunk.uncompressedSize) + 1;
    const int status = uncompress(inflated.data(), &length, packed_.data(), chunk.compressedSize);
    if (status != Z_OK || length > chunk.uncompressedSize) {
        prompt_.showMessage(L"Failed to uncompress zip data!", MessageIcon::None);
        return false;
    }
    if (!waitForFreeSpace(targetFolder, length)) {
        return false;
    }
    return writeData(context, inflated.data(), length) != 0;
}

int CZipFilePackage::UnCompress(void* context, const std::wstring& targetFolder,
                                const CreateEntryCallback& createEntry,
                                const EndEntryCallback& endEntry,
                                const WriteDataCallback& writeData,
                                const NextDiscCallback& nextDisc) {
    if (!stream_ || !stream_->seek(kPackageHeaderSize)) {
        return kStopped;
    }
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
            prompt_.showMessage(
                L"CZipFilePackage::UnCompress(), Failed to uncompress,unknowable chunk type!",
                MessageIcon::None);
            return kStopped;
        }
        if (!checkEntryName(entry)) {
            return kStopped;
        }
        const std::wstring name = wideFromUtf16(entry.name);
        if (entry.type == kEntryTypeFolder) {
            if (createEntry(context, 1, entry.chunkCount, targetFolder, name) == 0) {
                tell(L"Failed to create %s! ", targetFolder);
                return kStopped;
            }
            continue;
        }
        if (createEntry(context, 0, entry.chunkCount, targetFolder, name) == 0) {
            tell(L"Failed to create %s!", targetFolder);
            return kStopped;
        }
        for (uint32_t chunk = 0; chunk < entry.chunkCount; ++chunk) {
            if (!reachChunkHeader(nextDisc) || !unpackChunk(context, targetFolder, writeData)) {
                return kStopped;
            }
        }
        if (endEntry(context) == 0) {
            return kStopped;
        }
    }
    return kDone;
}
