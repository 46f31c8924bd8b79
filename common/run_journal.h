// The journal of one install run: what the undo of the run needs, kept on
// disk in the target folder so that a run ended at any moment (End Process,
// a crash, a power cut) is undone at the next start of either program.
//
// File "install.journal", little-endian:
//   header  "CKVJ", u16 version (1), u16 zero
//   entry   u8 kind, u8 zero, u16 zero, u32 payload length, payload,
//           u32 CRC-32 of the eight bytes before the payload and the payload
// Strings in a payload are a u32 count of UTF-16 units and the units.
// Payloads by kind:
//   1 Begin         u8 target folder was there, u8 uninstall.dat was there,
//                   u64 its length in whole records' bytes
//   2 FolderThere   path: a folder that was there before the run (kept)
//   3 SetAside      original path, set-aside path; written before the rename
//   4 KeyCreated    u8 root, key: the topmost key the run created
//   5 ValueChanged  u8 root, key, name, u8 what it held (0 nothing, 1 text,
//                   2 number), then the text or a u32
//   6 Commit        nothing: the run finished; what is left is to delete the
//                   set-aside files
// Entries are only ever appended. Reading stops at the first entry that is
// cut off or fails its check: a run killed while writing one had not yet
// made the change it describes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/registry.h"

struct SetAsideFile {
    std::wstring original;
    std::wstring aside;
};

struct RegistryChange {
    enum class Kind : uint8_t { KeyCreated = 4, ValueChanged = 5 };
    enum class Held : uint8_t { Nothing = 0, Text = 1, Number = 2 };

    Kind kind = Kind::KeyCreated;
    RegistryRoot root = RegistryRoot::CurrentUser;
    std::wstring key;
    std::wstring name;
    Held held = Held::Nothing;
    std::wstring text;
    uint32_t number = 0;
};

// Everything a journal holds, in the order it was written.
struct RunJournalState {
    bool begun = false;
    bool targetWasThere = false;
    bool recordWasThere = false;
    uint64_t recordBytes = 0;
    std::vector<std::wstring> foldersThere;
    std::vector<SetAsideFile> setAside;
    std::vector<RegistryChange> registry;
    bool committed = false;
};

// The entries of a journal's bytes up to the first damaged one; nothing when
// the header is not a journal's.
std::optional<RunJournalState> parseRunJournal(const std::vector<uint8_t>& bytes);

class RunJournal {
public:
    static constexpr const wchar_t* kFileName = L"install.journal";

    static std::wstring pathIn(const std::wstring& folder) { return folder + L"\\" + kFileName; }

    // Creates the journal in `folder` with its Begin entry, on disk before
    // this answers; nothing when it cannot be written.
    static std::unique_ptr<RunJournal> create(Platform& platform, const std::wstring& folder,
                                              bool targetWasThere, bool recordWasThere,
                                              uint64_t recordBytes);

    // Each appends one entry; false when it cannot be written. Entries that
    // describe a change the undo could not reverse without them are on disk
    // before they answer.
    [[nodiscard]] bool folderThere(const std::wstring& path);
    [[nodiscard]] bool setAside(const std::wstring& original, const std::wstring& aside);
    [[nodiscard]] bool registryChanged(const RegistryChange& change);
    [[nodiscard]] bool commit();

    const RunJournalState& state() const { return state_; }
    const std::wstring& path() const { return path_; }

private:
    // Only create() makes one.
    struct Token {};

public:
    RunJournal(Token /*unused*/, std::unique_ptr<File> file, std::wstring path)
        : file_(std::move(file)), path_(std::move(path)) {}

private:
    bool append(uint8_t kind, const std::vector<uint8_t>& payload, bool durable);

    std::unique_ptr<File> file_;
    std::wstring path_;
    RunJournalState state_;
};
