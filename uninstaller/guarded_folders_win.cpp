#include "guarded_folders_win.h"

#include <windows.h>
#include <shlobj.h>

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

}  // namespace

GuardedFolders systemGuardedFolders() {
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
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU,
                      CSIDL_COMMON_STARTMENU, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                      CSIDL_PROFILE, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA,
                      CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_PROGRAM_FILES}) {
        folders.push_back(specialFolder(csidl));
    }
    // Every folder beside the user's profile is another user's profile.
    std::vector<std::wstring> profileRoots = {parentOf(specialFolder(CSIDL_PROFILE))};
    return GuardedFolders(std::move(folders), std::move(profileRoots));
}
