// What end-to-end scenarios share besides the UI driver: where the build put
// the programs, folders that remove themselves, file bytes, and the list of
// files the system deletes at the next restart.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Under Wine the host's root is drive Z:, so /a/b is Z:\a\b. Windows paths
// pass unchanged.
std::wstring windowsPathFromHost(const std::wstring& hostPath);
// A folder that ctest names in an environment variable (a host path), as a
// Windows path without a trailing backslash; empty when the variable is unset.
std::wstring folderFromEnvironment(const wchar_t* variable);

// GetTempPathW (ends in "\") and GetSystemDirectoryW (does not).
std::wstring temporaryFolder();
std::wstring systemFolder();

std::optional<std::vector<uint8_t>> readFileBytes(const std::wstring& path);
bool writeFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool fileExists(const std::wstring& path);
// The size of a file; nothing when there is no such file.
std::optional<uint64_t> fileSize(const std::wstring& path);

// The folders of `folder` as the path page's tree lists them: in the order
// the file system gives them, without hidden, system or temporary ones.
std::vector<std::wstring> listedFolders(const std::wstring& folder);
// The place of `name` among `names`, ignoring case; -1 when it is not there.
int indexOf(const std::vector<std::wstring>& names, const std::wstring& name);

bool folderExists(const std::wstring& path);
bool isReadOnly(const std::wstring& path);
bool setReadOnly(const std::wstring& path, bool readOnly);
// Creates a folder and its missing parents.
bool createFolders(const std::wstring& path);
// Deletes a folder with everything in it, read-only files included. A link
// in it is removed as a link, never entered.
bool removeTree(const std::wstring& path);

// Makes `link` a symbolic link to the folder or file `target`: under Wine a
// Unix symbolic link (its CreateSymbolicLinkW makes nothing), which Wine
// reports as a reparse point when it leads to a folder and as the file itself
// otherwise; elsewhere through CreateSymbolicLinkW.
bool makeLink(const std::wstring& link, const std::wstring& target, bool toFolder);
// Removes such a link itself. Wine has no call that removes a link to a
// folder, so there the Unix one does it.
bool removeLink(const std::wstring& link);
bool isLink(const std::wstring& path);
// True under Wine.
bool runsOnWine();

// UTF-16LE with a byte-order mark, as the programs' INI files are stored.
std::vector<uint8_t> utf16FileBytes(const std::wstring& text);

// The running test's suite and name, fit for a file or folder name.
std::wstring currentTestName();

// The start of a one-package data1.pck: its header with the given version and
// total size, cut to `length` bytes.
std::vector<uint8_t> packageHeaderBytes(uint32_t version, uint64_t totalSize, size_t length = 32);

// A folder tree made for one scenario and removed with its contents when the
// scenario ends, however it ends.
class ScenarioFolder {
public:
    explicit ScenarioFolder(std::wstring path);
    ~ScenarioFolder();
    ScenarioFolder(const ScenarioFolder&) = delete;
    ScenarioFolder& operator=(const ScenarioFolder&) = delete;

    const std::wstring& path() const { return path_; }
    bool created() const { return created_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
    bool created_;
};

// The files scheduled for deletion at the next restart, as the NT family keeps
// them: HKLM\System\CurrentControlSet\Control\Session Manager, value
// PendingFileRenameOperations, pairs of NT paths ("\??\C:\...") of which a
// deletion has an empty second half. The value found at construction is put
// back on destruction, so that scenarios stay independent.
class PendingFileRenames {
public:
    PendingFileRenames();
    ~PendingFileRenames();
    PendingFileRenames(const PendingFileRenames&) = delete;
    PendingFileRenames& operator=(const PendingFileRenames&) = delete;

    bool readable() const { return readable_; }
    // Paths scheduled for deletion since construction, in the order scheduled,
    // as stored ("\??\C:\...").
    std::vector<std::wstring> deletionsSinceStart() const;

    static std::vector<std::wstring> parseDeletions(const std::vector<uint8_t>& value);

private:
    static std::optional<std::vector<uint8_t>> read();

    bool readable_ = false;
    std::optional<std::vector<uint8_t>> original_;
};

}  // namespace e2e
