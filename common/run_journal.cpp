#include "common/run_journal.h"

#include <libdeflate.h>

#include <algorithm>

#include "common/text.h"

namespace {

constexpr uint8_t kMagic[4] = {'C', 'K', 'V', 'J'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 8;
constexpr size_t kEntryHeadSize = 8;
// No entry comes near this: four paths of a record's 259 characters at most.
constexpr uint32_t kMaxPayload = 64 * 1024;

enum Kind : uint8_t {
    kBegin = 1,
    kFolderThere = 2,
    kSetAside = 3,
    kKeyCreated = 4,
    kValueChanged = 5,
    kCommit = 6,
};

void putU8(std::vector<uint8_t>& out, uint8_t value) {
    out.push_back(value);
}

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void putU64(std::vector<uint8_t>& out, uint64_t value) {
    putU32(out, static_cast<uint32_t>(value));
    putU32(out, static_cast<uint32_t>(value >> 32));
}

void putText(std::vector<uint8_t>& out, const std::wstring& text) {
    const Utf16Units units = utf16FromWide(text);
    putU32(out, static_cast<uint32_t>(units.size()));
    const std::vector<uint8_t> bytes = leBytesFromUtf16(units);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

uint32_t checksum(const uint8_t* data, size_t size) {
    return libdeflate_crc32(0, data, size);
}

// Reads the fields of one payload; every read checks what is left.
class PayloadReader {
public:
    PayloadReader(const uint8_t* data, size_t size) : data_(data), left_(size) {}

    bool u8(uint8_t& value) {
        if (left_ < 1) {
            return false;
        }
        value = *data_++;
        --left_;
        return true;
    }
    bool u32(uint32_t& value) {
        if (left_ < 4) {
            return false;
        }
        value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | data_[i];
        }
        data_ += 4;
        left_ -= 4;
        return true;
    }
    bool u64(uint64_t& value) {
        uint32_t low = 0;
        uint32_t high = 0;
        if (!u32(low) || !u32(high)) {
            return false;
        }
        value = (uint64_t{high} << 32) | low;
        return true;
    }
    bool text(std::wstring& value) {
        uint32_t count = 0;
        if (!u32(count) || count > left_ / 2) {
            return false;
        }
        std::u16string units(count, u'\0');
        for (uint32_t i = 0; i < count; ++i) {
            units[i] = static_cast<char16_t>(data_[2 * i] | (data_[2 * i + 1] << 8));
        }
        data_ += size_t{count} * 2;
        left_ -= size_t{count} * 2;
        value = wideFromUtf16(units);
        return true;
    }
    bool root(RegistryRoot& value) {
        uint8_t number = 0;
        if (!u8(number) || number > static_cast<uint8_t>(RegistryRoot::CurrentUser)) {
            return false;
        }
        value = static_cast<RegistryRoot>(number);
        return true;
    }
    bool done() const { return left_ == 0; }

private:
    const uint8_t* data_;
    size_t left_;
};

// Applies one entry to the state; false when its payload does not read as
// its kind says.
bool applyEntry(RunJournalState& state, uint8_t kind, PayloadReader in) {
    switch (kind) {
        case kBegin: {
            uint8_t targetWasThere = 0;
            uint8_t recordWasThere = 0;
            if (state.begun || !in.u8(targetWasThere) || !in.u8(recordWasThere) ||
                !in.u64(state.recordBytes)) {
                return false;
            }
            state.begun = true;
            state.targetWasThere = targetWasThere != 0;
            state.recordWasThere = recordWasThere != 0;
            break;
        }
        case kFolderThere: {
            std::wstring path;
            if (!in.text(path)) {
                return false;
            }
            state.foldersThere.push_back(std::move(path));
            break;
        }
        case kSetAside: {
            SetAsideFile file;
            if (!in.text(file.original) || !in.text(file.aside)) {
                return false;
            }
            state.setAside.push_back(std::move(file));
            break;
        }
        case kKeyCreated:
        case kValueChanged: {
            RegistryChange change;
            change.kind = static_cast<RegistryChange::Kind>(kind);
            if (!in.root(change.root) || !in.text(change.key)) {
                return false;
            }
            if (kind == kValueChanged) {
                uint8_t held = 0;
                if (!in.text(change.name) || !in.u8(held)) {
                    return false;
                }
                change.held = static_cast<RegistryChange::Held>(held);
                if ((held == 1 && !in.text(change.text)) || (held == 2 && !in.u32(change.number)) ||
                    held > 2) {
                    return false;
                }
            }
            state.registry.push_back(std::move(change));
            break;
        }
        case kCommit:
            state.committed = true;
            break;
        default:
            return false;
    }
    return in.done() && state.begun;
}

}  // namespace

std::optional<RunJournalState> parseRunJournal(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kHeaderSize || !std::equal(kMagic, kMagic + 4, bytes.begin()) ||
        (bytes[4] | (bytes[5] << 8)) != kVersion) {
        return std::nullopt;
    }
    RunJournalState state;
    size_t at = kHeaderSize;
    while (bytes.size() - at >= kEntryHeadSize) {
        const uint8_t* head = bytes.data() + at;
        PayloadReader fields(head + 4, 4);
        uint32_t length = 0;
        (void)fields.u32(length);
        if (length > kMaxPayload || bytes.size() - at - kEntryHeadSize < size_t{length} + 4) {
            break;
        }
        PayloadReader sum(head + kEntryHeadSize + length, 4);
        uint32_t stored = 0;
        (void)sum.u32(stored);
        if (stored != checksum(head, kEntryHeadSize + length)) {
            break;
        }
        RunJournalState next = state;
        if (!applyEntry(next, head[0], PayloadReader(head + kEntryHeadSize, length))) {
            break;
        }
        state = std::move(next);
        at += kEntryHeadSize + length + 4;
    }
    return state;
}

std::unique_ptr<RunJournal> RunJournal::create(Platform& platform, const std::wstring& folder,
                                               bool targetWasThere, bool recordWasThere,
                                               uint64_t recordBytes) {
    const std::wstring path = pathIn(folder);
    auto file = platform.open(path, OpenMode::Write, Share::DenyWrite);
    if (!file) {
        return nullptr;
    }
    std::vector<uint8_t> header(kMagic, kMagic + 4);
    header.push_back(static_cast<uint8_t>(kVersion));
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);
    if (file->write(header.data(), header.size()) != header.size()) {
        return nullptr;
    }
    auto journal = std::make_unique<RunJournal>(Token{}, std::move(file), path);
    std::vector<uint8_t> payload;
    putU8(payload, targetWasThere ? 1 : 0);
    putU8(payload, recordWasThere ? 1 : 0);
    putU64(payload, recordBytes);
    if (!journal->append(kBegin, payload, true)) {
        return nullptr;
    }
    journal->state_.begun = true;
    journal->state_.targetWasThere = targetWasThere;
    journal->state_.recordWasThere = recordWasThere;
    journal->state_.recordBytes = recordBytes;
    return journal;
}

bool RunJournal::append(uint8_t kind, const std::vector<uint8_t>& payload, bool durable) {
    std::vector<uint8_t> entry = {kind, 0, 0, 0};
    putU32(entry, static_cast<uint32_t>(payload.size()));
    entry.insert(entry.end(), payload.begin(), payload.end());
    putU32(entry, checksum(entry.data(), entry.size()));
    // Written through at once, so that a killed process leaves it on disk;
    // made durable only where a power cut must not lose it either.
    return file_->write(entry.data(), entry.size()) == entry.size() && file_->flush(durable);
}

bool RunJournal::folderThere(const std::wstring& path) {
    std::vector<uint8_t> payload;
    putText(payload, path);
    if (!append(kFolderThere, payload, false)) {
        return false;
    }
    state_.foldersThere.push_back(path);
    return true;
}

bool RunJournal::setAside(const std::wstring& original, const std::wstring& aside) {
    std::vector<uint8_t> payload;
    putText(payload, original);
    putText(payload, aside);
    if (!append(kSetAside, payload, true)) {
        return false;
    }
    state_.setAside.push_back({original, aside});
    return true;
}

bool RunJournal::registryChanged(const RegistryChange& change) {
    std::vector<uint8_t> payload;
    putU8(payload, static_cast<uint8_t>(change.root));
    putText(payload, change.key);
    if (change.kind == RegistryChange::Kind::ValueChanged) {
        putText(payload, change.name);
        putU8(payload, static_cast<uint8_t>(change.held));
        if (change.held == RegistryChange::Held::Text) {
            putText(payload, change.text);
        } else if (change.held == RegistryChange::Held::Number) {
            putU32(payload, change.number);
        }
    }
    if (!append(static_cast<uint8_t>(change.kind), payload, true)) {
        return false;
    }
    state_.registry.push_back(change);
    return true;
}

bool RunJournal::commit() {
    if (!append(kCommit, {}, true)) {
        return false;
    }
    state_.committed = true;
    return true;
}
