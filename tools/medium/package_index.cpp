#include "package_index.h"

#include <memory>

#include "common/relative_name.h"
#include "common/text.h"

namespace {

class IndexWalk {
public:
    IndexWalk(Platform& platform, const DiscSet& discs, PackageIndex& index)
        : platform_(platform), discs_(discs), index_(index) {}

    void run() {
        if (!openPackage(1)) {
            return;
        }
        PackageHeader::Bytes head{};
        if (!read(head.data(), head.size(), L"the header")) {
            return;
        }
        index_.header = PackageHeader::parse(head);
        if (index_.header.version != kPackageVersion) {
            fault(path() + L": unknown version " + std::to_wstring(index_.header.version) +
                  L" (expected 2)");
            return;
        }
        if (index_.header.packageCount == 0) {
            fault(path() + L": the header counts 0 packages");
        }
        for (uint32_t i = 0; i < index_.header.entryCount; ++i) {
            if (!entry(i)) {
                return;
            }
        }
        // Fewer than 8 bytes are padding the reader skips; more are stray.
        const uint64_t left = size_ - at_;
        if (left >= kChunkHeaderSize) {
            fault(path() + L": " + std::to_wstring(left) + L" bytes after the last entry");
        }
        if (static_cast<uint64_t>(number_) != index_.header.packageCount) {
            fault(L"the header counts " + std::to_wstring(index_.header.packageCount) +
                  L" packages, the stream ends in " + packageFileName(number_));
        }
        uint64_t total = 0;
        for (const auto& e : index_.entries) {
            total += e.size;
        }
        if (total != index_.header.totalSize) {
            fault(L"the header's total size is " + std::to_wstring(index_.header.totalSize) +
                  L" bytes, the files hold " + std::to_wstring(total));
        }
    }

private:
    std::wstring path() const { return packageFilePath(folder_, number_); }
    void fault(const std::wstring& text) { index_.faults.push_back(text); }

    bool openPackage(int number) {
        number_ = number;
        auto folder = discs_.folderHolding(platform_, number, folder_);
        if (!folder) {
            fault(discs_.missingPackageText(number));
            return false;
        }
        folder_ = *folder;
        file_ = platform_.open(path(), OpenMode::Read);
        auto size = file_ ? file_->size() : std::nullopt;
        if (!size) {
            fault(path() + L": cannot be read");
            return false;
        }
        size_ = *size;
        at_ = 0;
        index_.packages.push_back({path(), size_});
        return true;
    }

    bool read(void* buffer, size_t size, const std::wstring& what) {
        if (size_ - at_ < size || file_->read(buffer, size) != size) {
            fault(path() + L": ends inside " + what);
            return false;
        }
        at_ += size;
        return true;
    }

    bool entry(uint32_t index) {
        PackageEntry::Bytes bytes{};
        if (!read(bytes.data(), bytes.size(),
                  L"the record of entry " + std::to_wstring(index + 1))) {
            return false;
        }
        const PackageEntry record = PackageEntry::parse(bytes);
        IndexedEntry item;
        item.name = wideFromUtf16(record.name);
        item.type = record.type;
        item.chunkCount = record.chunkCount;
        item.package = number_;
        item.lastPackage = number_;
        if (!record.nameTerminated) {
            fault(L"entry " + std::to_wstring(index + 1) + L": name without its end: " + item.name);
        } else if (!isSafeRelativeName(item.name)) {
            fault(L"entry " + std::to_wstring(index + 1) +
                  L": name not a path below the target folder: " + item.name);
        }
        if (record.type != kEntryTypeFile && record.type != kEntryTypeFolder) {
            fault(L"entry " + std::to_wstring(index + 1) + L" (" + item.name + L"): unknown type " +
                  std::to_wstring(record.type));
            index_.entries.push_back(item);
            return false;
        }
        if (record.type == kEntryTypeFile) {
            for (uint32_t c = 0; c < record.chunkCount; ++c) {
                if (!chunk(item, c)) {
                    index_.entries.push_back(item);
                    return false;
                }
            }
        }
        index_.entries.push_back(item);
        return true;
    }

    bool chunk(IndexedEntry& item, uint32_t number) {
        while (size_ - at_ < kChunkHeaderSize) {
            if (static_cast<uint64_t>(number_) >= index_.header.packageCount) {
                fault(item.name + L": chunk " + std::to_wstring(number + 1) + L" of " +
                      std::to_wstring(item.chunkCount) + L" is missing at the end of " +
                      packageFileName(number_));
                return false;
            }
            if (!openPackage(number_ + 1)) {
                return false;
            }
        }
        ChunkHeader::Bytes bytes{};
        if (!read(bytes.data(), bytes.size(), L"a chunk header")) {
            return false;
        }
        const ChunkHeader header = ChunkHeader::parse(bytes);
        if (!header.withinBounds()) {
            fault(item.name + L": chunk " + std::to_wstring(number + 1) + L" states sizes " +
                  std::to_wstring(header.compressedSize) + L"/" +
                  std::to_wstring(header.uncompressedSize) + L" beyond the bounds");
            return false;
        }
        if (size_ - at_ < header.compressedSize) {
            fault(path() + L": ends inside chunk " + std::to_wstring(number + 1) + L" of " +
                  item.name + L" (chunks are never split)");
            return false;
        }
        at_ += header.compressedSize;
        if (!file_->seek(at_)) {
            fault(path() + L": cannot be read");
            return false;
        }
        item.lastPackage = number_;
        item.size += header.uncompressedSize;
        item.packedSize += header.compressedSize;
        return true;
    }

    Platform& platform_;
    const DiscSet& discs_;
    PackageIndex& index_;
    std::wstring folder_;  // where the current package is
    std::unique_ptr<File> file_;
    int number_ = 1;
    uint64_t size_ = 0;
    uint64_t at_ = 0;
};

}  // namespace

PackageIndex indexPackages(Platform& platform, const DiscSet& discs) {
    PackageIndex index;
    IndexWalk(platform, discs, index).run();
    return index;
}
