// uninstall.dat (layout in common/formats.h): the installer appends one
// record per folder and file it creates; the undo and the uninstaller read
// them back and interpret them with the one rule below.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/platform.h"

enum class AppendResult {
    Written,
    TooLong,     // the text does not fit the record; nothing was written
    NotOpened,   // the file could not be opened; the record is lost
    NotWritten,  // the write came short (a full disk)
};

// Whether the second open of LoadUninstallRecords reports its failure; the
// uninstaller has already heard about it from the count.
enum class ReopenFailure { Report, Silent };

class UninstallRecord {
public:
    static constexpr const wchar_t* kFileName = L"uninstall.dat";

    UninstallRecord(Platform& platform, UserPrompt& prompt)
        : platform_(platform), prompt_(prompt) {}

    // Appends "FOLDER:" or "FILE:" and the path to folder\uninstall.dat, opening
    // and closing the file for this one record.
    [[nodiscard]] AppendResult AppendUninstallRecord(const std::wstring& folder, bool isFolder,
                                                     const std::wstring& path);
    // Whole records in folder\uninstall.dat (one trailing "\" of the folder is
    // dropped); "Failed to open %s" and 0 when the file cannot be opened.
    int CountUninstallRecords(const std::wstring& folder);
    // Every record's text, oldest first; empty after a message when the file
    // cannot be read or the list cannot be allocated.
    std::vector<std::wstring> LoadUninstallRecords(const std::wstring& folder,
                                                   ReopenFailure reopen = ReopenFailure::Report);

private:
    std::wstring recordPath(const std::wstring& folder) const;

    Platform& platform_;
    UserPrompt& prompt_;
};

// Appends to one folder\uninstall.dat kept open for a whole run, with one
// write per record: each record is handed to the system as it is appended,
// before what it records is made, so a killed run leaves it behind. The
// bytes are those of AppendUninstallRecord; a file that cannot be opened is
// tried again at the next record.
class UninstallRecordAppender {
public:
    UninstallRecordAppender(Platform& platform, const std::wstring& folder);

    [[nodiscard]] AppendResult append(bool isFolder, const std::wstring& path);

private:
    Platform& platform_;
    std::wstring path_;
    std::unique_ptr<File> file_;
};

enum class RecordKind { Skip, File, Folder };

struct RecordAction {
    RecordKind kind = RecordKind::Skip;
    std::wstring path;
};

// The type word is the text before the first ":" (empty without one) and the
// path the text after it (all of it without one). When the text holds "=",
// every occurrence of its part up to and including the first "=" is removed
// from the type word, so "key=FILE:path" reads as "FILE:path". Only "FILE" and
// "FOLDER", compared exactly, name an action.
RecordAction interpretUninstallRecord(const std::wstring& text);
