#include "pack.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "common/md5_digest.h"
#include "common/text.h"
#include "common/folder_chain.h"
#include "tools/medium/chunk_compressor.h"
#include "tools/medium/game_tree.h"
#include "tools/medium/host_path.h"
#include "tools/medium/package_set_writer.h"

namespace {

// One entry of the stream with what the writer must know in advance: its
// chunk count and, for a file with chunks, how many records follow its last
// chunk before the next chunk is due (they stay in that chunk's package).
struct PlannedEntry {
    const TreeEntry* tree = nullptr;
    uint32_t chunks = 0;
    uint32_t recordsAfter = 0;
};

struct Plan {
    std::vector<PlannedEntry> entries;
    uint32_t leadingRecords = 0;  // records before the first chunk
    uint64_t totalSize = 0;
};

// Lays out the stream. Which records stay with which chunk does not depend
// on the chunk size (a file has chunks when it is not empty), so this comes
// before the chunk size is known; setChunkCounts completes it.
bool makePlan(const std::vector<TreeEntry>& tree, Plan& plan, std::wstring& error) {
    if (tree.size() > UINT32_MAX) {
        error = L"too many entries for one medium";
        return false;
    }
    constexpr size_t kNone = SIZE_MAX;
    size_t lastChunked = kNone;  // the latest file with chunks
    for (const auto& item : tree) {
        PlannedEntry entry;
        entry.tree = &item;
        plan.totalSize += item.isFolder ? 0 : item.size;
        plan.entries.push_back(entry);
        if (lastChunked == kNone) {
            ++plan.leadingRecords;
        } else {
            ++plan.entries[lastChunked].recordsAfter;
        }
        if (!item.isFolder && item.size > 0) {
            lastChunked = plan.entries.size() - 1;
        }
    }
    return true;
}

bool setChunkCounts(Plan& plan, uint32_t chunkSize, std::wstring& error) {
    for (auto& entry : plan.entries) {
        const uint64_t chunks = (entry.tree->size + chunkSize - 1) / chunkSize;
        if (chunks > UINT32_MAX) {
            error = entry.tree->path + L": too large for one package entry at this chunk size";
            return false;
        }
        entry.chunks = entry.tree->isFolder ? 0 : static_cast<uint32_t>(chunks);
    }
    return true;
}

// The largest stretch of the stream that must stay in one package, each chunk
// counted at the most it may take compressed (packedChunkBound): the
// packages then fit whatever the files hold, without compressing them first.
uint64_t largestPiece(const Plan& plan, uint32_t chunkSize) {
    uint64_t largest = kPackageHeaderSize + uint64_t{plan.leadingRecords} * kEntryRecordSize;
    for (const auto& entry : plan.entries) {
        const uint64_t size = entry.tree->isFolder ? 0 : entry.tree->size;
        if (size == 0) {
            continue;
        }
        const uint64_t last = size - (size - 1) / chunkSize * chunkSize;
        uint64_t piece = kChunkHeaderSize + packedChunkBound(last) +
                         uint64_t{entry.recordsAfter} * kEntryRecordSize;
        if (size > chunkSize) {
            piece = std::max<uint64_t>(piece, kChunkHeaderSize + packedChunkBound(chunkSize));
        }
        largest = std::max(largest, piece);
    }
    return largest;
}

// The chunk size for options without one: the default, halved while some
// piece might not fit the disc. It depends on the file sizes alone, so the
// same folder still gives the same bytes.
bool chooseChunkSize(const Plan& plan, uint64_t discSize, uint32_t& chunkSize,
                     std::wstring& error) {
    chunkSize = kDefaultChunkSize;
    if (discSize == 0) {
        return true;
    }
    for (;;) {
        const uint64_t piece = largestPiece(plan, chunkSize);
        if (piece <= discSize) {
            return true;
        }
        if (chunkSize / 2 < kSmallestChosenChunkSize) {
            // Smaller chunks help only when chunk data, not records, makes the piece.
            const bool smallerHelps = largestPiece(plan, 1) < piece;
            error = L"a disc size of " + std::to_wstring(discSize) +
                    L" bytes is too small: even with chunks of " + std::to_wstring(chunkSize) +
                    L" bytes, one piece of the stream that cannot be split may take " +
                    std::to_wstring(piece) + L" bytes; the smallest disc size that works is " +
                    std::to_wstring(piece) +
                    (smallerHelps ? L" (or try a smaller --chunk-size)" : L"");
            return false;
        }
        chunkSize /= 2;
    }
}

// The stream in order: records wait behind the chunks before them until
// those are compressed and written.
class StreamAssembler {
public:
    StreamAssembler(PackageSetWriter& writer, ChunkCompressor& compressor, ProgressBar& progress)
        : writer_(writer), compressor_(compressor), progress_(progress) {}

    bool record(const PackageEntry::Bytes& bytes) {
        pending_.push_back(Item{bytes, nullptr, 0});
        return flush(false);
    }
    bool chunk(std::shared_ptr<ChunkCompressor::Task> task, uint64_t gluedBytes) {
        compressor_.submit(task);
        pending_.push_back(Item{{}, std::move(task), gluedBytes});
        return flush(false);
    }
    bool finish() { return flush(true); }

private:
    struct Item {
        PackageEntry::Bytes record;
        std::shared_ptr<ChunkCompressor::Task> task;  // null for a record
        uint64_t gluedBytes;
    };

    size_t chunksInFlight() const {
        size_t count = 0;
        for (const auto& item : pending_) {
            count += item.task ? 1 : 0;
        }
        return count;
    }

    bool flush(bool all) {
        while (!pending_.empty()) {
            Item& front = pending_.front();
            if (front.task && !all && !compressor_.ready(front.task) &&
                chunksInFlight() < compressor_.window()) {
                return true;
            }
            if (!emit(front)) {
                return false;
            }
            pending_.pop_front();
        }
        return true;
    }

    bool emit(Item& item) {
        if (!item.task) {
            return writer_.write(item.record.data(), item.record.size());
        }
        compressor_.wait(item.task);
        auto& task = *item.task;
        if (!task.ok) {
            return false;
        }
        const ChunkHeader header{static_cast<uint32_t>(task.output.size()),
                                 static_cast<uint32_t>(task.input.size())};
        const auto bytes = header.serialize();
        if (!writer_.beginUnit(bytes.size() + task.output.size() + item.gluedBytes) ||
            !writer_.write(bytes.data(), bytes.size()) ||
            !writer_.write(task.output.data(), task.output.size())) {
            return false;
        }
        progress_.advance(task.input.size());
        compressor_.recycle(std::move(item.task));
        return true;
    }

    PackageSetWriter& writer_;
    ChunkCompressor& compressor_;
    ProgressBar& progress_;
    std::deque<Item> pending_;
};

// Reads one file chunk by chunk into the assembler and answers its digest.
bool packFile(Platform& platform, const PlannedEntry& entry, uint32_t chunkSize,
              ChunkCompressor& compressor, StreamAssembler& stream, std::string& digestText,
              std::wstring& error) {
    Md5Digest digest;
    const TreeEntry& item = *entry.tree;
    if (entry.chunks > 0) {
        auto file = platform.open(item.path, OpenMode::Read, Share::DenyWrite);
        if (!file) {
            error = item.path + L": cannot be opened";
            return false;
        }
        uint64_t left = item.size;
        for (uint32_t i = 0; i < entry.chunks; ++i) {
            const size_t size = static_cast<size_t>(left < chunkSize ? left : chunkSize);
            auto task = compressor.makeTask();
            task->input.resize(size);
            if (file->read(task->input.data(), size) != size) {
                error = item.path + L": shorter than when the folder was listed";
                return false;
            }
            digest.update(task->input.data(), size);
            left -= size;
            const bool last = i + 1 == entry.chunks;
            if (!stream.chunk(std::move(task), last ? entry.recordsAfter * kEntryRecordSize : 0)) {
                error = L"";
                return false;
            }
        }
        uint8_t extra = 0;
        if (file->read(&extra, 1) != 0) {
            error = item.path + L": grew while it was packed";
            return false;
        }
    }
    if (!digest.finish()) {
        error = L"Not enough memory!";
        return false;
    }
    digestText = digest.toText();
    return true;
}

bool writeCheckList(Platform& platform, const std::wstring& path,
                    const std::vector<CheckEntry>& entries, std::wstring& error) {
    std::vector<uint8_t> bytes;
    bytes.reserve(entries.size() * kCheckEntrySize);
    for (const auto& entry : entries) {
        auto record = entry.serialize();
        if (!record) {
            error = path + L": name too long for check.md: " + wideFromUtf16(entry.name);
            return false;
        }
        bytes.insert(bytes.end(), record->begin(), record->end());
    }
    if (!writeWholeFile(platform, path, bytes.data(), bytes.size())) {
        error = path + L": cannot be written";
        return false;
    }
    return true;
}

}  // namespace

bool packMedium(Platform& platform, const PackOptions& options, Console& console,
                PackSummary& summary, std::wstring& error) {
    TreeScan scan = scanGameTree(platform, options.gameFolder);
    if (!scan.error.empty()) {
        error = scan.error;
        return false;
    }
    Plan plan;
    uint32_t chunkSize = options.chunkSize;
    if (!makePlan(scan.entries, plan, error) ||
        (chunkSize == 0 && !chooseChunkSize(plan, options.discSize, chunkSize, error)) ||
        !setChunkCounts(plan, chunkSize, error)) {
        return false;
    }
    if (!CreateFolderChain(platform, options.mediumFolder)) {
        error = options.mediumFolder + L": cannot be created";
        return false;
    }

    PackageHeader header;
    header.entryCount = static_cast<uint32_t>(plan.entries.size());
    header.totalSize = plan.totalSize;
    header.packageCount = options.discSize == 0 ? 1 : 0;  // final count written at the end

    PackageSetWriter writer(platform, options.mediumFolder, options.discSize);
    ChunkCompressor compressor(options.jobs, options.level);
    ProgressBar progress(console, "pack", plan.totalSize);
    StreamAssembler stream(writer, compressor, progress);
    std::vector<CheckEntry> checks;

    auto failed = [&](const std::wstring& text) {
        progress.clear();
        error = !text.empty()             ? text
                : !writer.error().empty() ? writer.error()
                                          : L"compression failed";
        writer.discard();
        return false;
    };

    const auto headerBytes = header.serialize();
    if (!writer.beginUnit(kPackageHeaderSize + uint64_t{plan.leadingRecords} * kEntryRecordSize) ||
        !writer.write(headerBytes.data(), headerBytes.size())) {
        return failed(L"");
    }
    for (const auto& entry : plan.entries) {
        PackageEntry record;
        record.name = utf16FromWide(entry.tree->name);
        record.type = entry.tree->isFolder ? kEntryTypeFolder : kEntryTypeFile;
        record.chunkCount = entry.chunks;
        auto bytes = record.serialize();
        if (!bytes) {
            return failed(entry.tree->path + L": name too long for a package entry");
        }
        if (!stream.record(*bytes)) {
            return failed(L"");
        }
        if (entry.tree->isFolder) {
            continue;
        }
        std::string digest;
        std::wstring fileError;
        if (!packFile(platform, entry, chunkSize, compressor, stream, digest, fileError)) {
            return failed(fileError);
        }
        checks.push_back(CheckEntry{record.name, utf16FromWide(wideFromUtf8(digest))});
    }
    if (!stream.finish() || !writer.finish(header)) {
        return failed(L"");
    }
    progress.clear();
    if (!writeCheckList(platform, joinPath(options.mediumFolder, L"check.md"), checks, error)) {
        writer.discard();
        return false;
    }
    header.packageCount = static_cast<uint32_t>(writer.packageCount());
    summary.header = header;
    summary.packageSizes = writer.packageSizes();
    summary.digests = writer.digests();
    summary.files = checks.size();
    summary.chunkSize = chunkSize;
    return true;
}
