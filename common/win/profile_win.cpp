#include "common/win/profile_win.h"

#include <windows.h>

bool writeProfileEntries(const std::wstring& profilePath, const ProfileEntries& entries) {
    bool written = true;
    for (const auto& [key, value] : entries) {
        written = WritePrivateProfileStringW(kRegisteredSection, key.c_str(), value.c_str(),
                                             profilePath.c_str()) != FALSE &&
                  written;
    }
    return written;
}
