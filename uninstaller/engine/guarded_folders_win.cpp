#include "guarded_folders_win.h"

#include <windows.h>
#include <shlobj.h>

#include "common/platform.h"

namespace {

std::wstring specialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) ? path : L"";
}

std::wstring parentOf(const std::wstring& path) {
    std::wstring trimmed = path;
    while (!trimmed.empty() && trimmed.back() == L'\\') {
        trimmed.pop_back();
    }
    const size_t slash = trimmed.rfind(L'\\');
    return slash == std::wstring::npos ? L"" : trimmed.substr(0, slash);
}

std::wstring environmentFolder(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : L"";
}

// The folders that substituted drives stand for ("subst S: C:\Games" makes
// C:\Games the root of S:): emptying one empties a whole drive.
std::vector<std::wstring> substitutedDriveFolders() {
    std::vector<std::wstring> folders;
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((drives & (1U << letter)) == 0) {
            continue;
        }
        const wchar_t drive[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\0'};
        wchar_t target[MAX_PATH * 2] = {};
        if (QueryDosDeviceW(drive, target, MAX_PATH * 2) == 0) {
            continue;
        }
        const std::wstring device = target;
        const std::wstring prefix = L"\\??\\";
        if (device.compare(0, prefix.size(), prefix) == 0 && device.size() > prefix.size() + 2 &&
            device[prefix.size() + 1] == L':') {
            folders.push_back(device.substr(prefix.size()));
        }
    }
    return folders;
}

}  // namespace

GuardedFolders systemGuardedFolders(Platform& platform) {
    std::vector<std::wstring> folders;
    wchar_t path[MAX_PATH] = {};
    if (GetWindowsDirectoryW(path, MAX_PATH) > 0) {
        folders.push_back(path);
    }
    if (GetSystemDirectoryW(path, MAX_PATH) > 0) {
        folders.push_back(path);
    }
    if (GetTempPathW(MAX_PATH, path) > 0) {
        folders.push_back(path);
    }
    for (int csidl :
         {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU,
          CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PROFILE, CSIDL_PERSONAL,
          CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA,
          CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
        folders.push_back(specialFolder(csidl));
    }
    // A 32-bit program on 64-bit Windows is shown "Program Files (x86)" as
    // its Program Files; the other one is only named by the environment.
    for (const wchar_t* name : {L"ProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)",
                                L"CommonProgramW6432", L"SystemRoot"}) {
        folders.push_back(environmentFolder(name));
    }
    for (std::wstring& folder : substitutedDriveFolders()) {
        folders.push_back(std::move(folder));
    }
    // Every folder beside the user's profile is another user's profile.
    std::vector<std::wstring> profileRoots = {parentOf(specialFolder(CSIDL_PROFILE))};
    return GuardedFolders(platform, folders, profileRoots);
}
