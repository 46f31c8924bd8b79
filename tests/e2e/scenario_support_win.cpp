#include "scenario_support_win.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <cctype>

#include "common/formats.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace e2e {

namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

struct Rename {
    std::wstring source;
    std::wstring target;  // empty: a deletion
};

std::vector<Rename> parseRenames(const std::vector<uint8_t>& value) {
    std::vector<std::wstring> strings;
    std::wstring current;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        wchar_t unit = static_cast<wchar_t>(value[i] | (value[i + 1] << 8));
        if (unit == L'\0') {
            strings.push_back(current);
            current.clear();
        } else {
            current += unit;
        }
    }
    if (!current.empty()) {
        strings.push_back(current);
    }
    // The list is read by its length, not up to a double NUL: a deletion's
    // empty target makes one in the middle.
    std::vector<Rename> renames;
    for (size_t i = 0; i < strings.size() && !strings[i].empty(); i += 2) {
        renames.push_back({strings[i], i + 1 < strings.size() ? strings[i + 1] : std::wstring()});
    }
    return renames;
}

}  // namespace

std::wstring windowsPathFromHost(const std::wstring& hostPath) {
    if (hostPath.empty() || hostPath.front() != L'/') {
        return hostPath;
    }
    std::wstring path = L"Z:" + hostPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring folderFromEnvironment(const wchar_t* variable) {
    DWORD needed = GetEnvironmentVariableW(variable, nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::wstring value(needed, L'\0');
    DWORD length = GetEnvironmentVariableW(variable, value.data(), needed);
    value.resize(length < needed ? length : 0);
    std::wstring folder = windowsPathFromHost(value);
    while (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

std::wstring temporaryFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, length <= MAX_PATH ? length : 0);
}

std::wstring systemFolder() {
    wchar_t path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

std::optional<std::vector<uint8_t>> readFileBytes(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) == FALSE || size.QuadPart > 0x7FFFFFFF) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                    &read, nullptr) == FALSE ||
                           read != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

bool writeFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) != FALSE &&
                             written == bytes.size());
}

bool fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<uint64_t> fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == FALSE ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool folderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isReadOnly(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool setReadOnly(const std::wstring& path, bool readOnly) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    attributes = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                          : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool createFolders(const std::wstring& path) {
    if (path.empty() || folderExists(path)) {
        return !path.empty();
    }
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2 && !createFolders(path.substr(0, slash))) {
        return false;
    }
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE || folderExists(path);
}

bool removeTree(const std::wstring& path) {
    if (isLink(path)) {
        return removeLink(path);
    }
    if (!folderExists(path)) {
        return !fileExists(path) || (setReadOnly(path, false) && DeleteFileW(path.c_str()));
    }
    WIN32_FIND_DATAW entry{};
    {
        FindHandle find(FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") {
                    removeTree(path + L"\\" + name);
                }
            } while (FindNextFileW(find.get(), &entry) != FALSE);
        }
    }
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

namespace {

// Wine's own export: the host path of a Windows path, allocated on the
// process heap.
using UnixFileName = char*(CDECL*)(LPCWSTR);

UnixFileName unixFileNameCall() {
    return reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring unixPath(const std::wstring& path) {
    const UnixFileName call = unixFileNameCall();
    char* name = call != nullptr ? call(path.c_str()) : nullptr;
    if (name == nullptr) {
        return L"";
    }
    std::wstring unix = wideFromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// Starts a host program with its arguments, each quoted; Wine starts Unix
// programs as it starts Windows ones, but gives no handle to wait on, so
// callers wait for the program's effect.
bool startHost(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"" + program + L"\"";
    for (const std::wstring& argument : arguments) {
        line += L" \"" + argument + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    const bool ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &started) != FALSE;
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    return ok;
}

}  // namespace

bool runsOnWine() {
    return unixFileNameCall() != nullptr;
}

bool isLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool makeLink(const std::wstring& link, const std::wstring& target, bool toFolder) {
    if (runsOnWine()) {
        // The link's folder is named as it stands: its last part does not exist yet.
        const size_t slash = link.rfind(L'\\');
        const std::wstring folder = unixPath(link.substr(0, slash));
        if (folder.empty() ||
            !startHost(L"Z:\\bin\\ln",
                       {L"-s", unixPath(target), folder + L"/" + link.substr(slash + 1)})) {
            return false;
        }
    } else {
        using CreateLink = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
        const auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
        if (create == nullptr || !create(link.c_str(), target.c_str(), toFolder ? 1 : 0)) {
            return false;
        }
    }
    // Wine shows a link to a file as the file itself.
    return ui::waitUntil([&] {
        return toFolder ? isLink(link)
                        : GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
}

bool removeLink(const std::wstring& link) {
    if (runsOnWine()) {
        startHost(L"Z:\\bin\\rm", {L"-f", unixPath(link)});
    } else if (!RemoveDirectoryW(link.c_str())) {
        DeleteFileW(link.c_str());
    }
    return ui::waitUntil(
        [&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

std::vector<uint8_t> utf16FileBytes(const std::wstring& text) {
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    auto body = leBytesFromUtf16(utf16FromWide(text));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

ScenarioFolder::ScenarioFolder(std::wstring path) : path_(std::move(path)) {
    removeTree(path_);  // a leftover of an interrupted run
    created_ = createFolders(path_);
}

ScenarioFolder::~ScenarioFolder() {
    removeTree(path_);
}

PendingFileRenames::PendingFileRenames() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS) {
        return;
    }
    RegKey key(opened);
    readable_ = true;
    original_ = read();
}

PendingFileRenames::~PendingFileRenames() {
    if (!readable_) {
        return;
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &opened) !=
        ERROR_SUCCESS) {
        return;
    }
    RegKey key(opened);
    if (original_) {
        RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, original_->data(),
                       static_cast<DWORD>(original_->size()));
    } else {
        RegDeleteValueW(key.get(), kPendingValue);
    }
}

std::optional<std::vector<uint8_t>> PendingFileRenames::read() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ) {
        return std::nullopt;
    }
    std::vector<uint8_t> value(size);
    if (size != 0 && RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, value.data(),
                                      &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(size);
    return value;
}

std::vector<std::wstring> PendingFileRenames::parseDeletions(const std::vector<uint8_t>& value) {
    std::vector<std::wstring> deletions;
    for (const auto& rename : parseRenames(value)) {
        if (rename.target.empty()) {
            deletions.push_back(rename.source);
        }
    }
    return deletions;
}

std::vector<std::wstring> PendingFileRenames::deletionsSinceStart() const {
    const auto now = read();
    if (!now) {
        return {};
    }
    auto before = original_ ? parseRenames(*original_) : std::vector<Rename>();
    auto after = parseRenames(*now);
    // New entries are appended; when the old ones are no longer in front,
    // someone rewrote the list and all of it counts.
    bool appended = after.size() >= before.size() &&
                    std::equal(before.begin(), before.end(), after.begin(),
                               [](const Rename& a, const Rename& b) {
                                   return a.source == b.source && a.target == b.target;
                               });
    std::vector<std::wstring> deletions;
    for (size_t i = appended ? before.size() : 0; i < after.size(); ++i) {
        if (after[i].target.empty()) {
            deletions.push_back(after[i].source);
        }
    }
    return deletions;
}

std::wstring currentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return std::wstring(name.begin(), name.end());
}

std::vector<uint8_t> packageHeaderBytes(uint32_t version, uint64_t totalSize, size_t length) {
    PackageHeader header;
    header.version = version;
    header.totalSize = totalSize;
    header.packageCount = 1;
    auto bytes = header.serialize();
    std::vector<uint8_t> out(bytes.begin(), bytes.end());
    out.resize(length);
    return out;
}

std::vector<std::wstring> listedFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        const DWORD skipped =
            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (data.dwFileAttributes & skipped) == 0 && name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

int indexOf(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (_wcsicmp(names[i].c_str(), name.c_str()) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace e2e
