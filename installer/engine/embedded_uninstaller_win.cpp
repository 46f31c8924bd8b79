#include "installer/engine/embedded_uninstaller_win.h"

#include <windows.h>

#include "common/registered_type.h"
#include "common/win/profile_win.h"
#include "installer/engine/medium_uninstall_ini.h"

bool EmbeddedUninstaller::writeResource(const std::wstring& folder, int number, const wchar_t* type,
                                        const wchar_t* fileName) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(self, MAKEINTRESOURCEW(number), type);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(self, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return false;
    }
    DWORD size = SizeofResource(self, resource);
    return writeWholeFile(platform_, folder + L"\\" + fileName, bytes, size, Share::None);
}

bool EmbeddedUninstaller::writeExe(const std::wstring& folder) {
    return writeResource(folder, kUninstallerExeResource, L"RT_EXE", L"uninstall.exe");
}

bool EmbeddedUninstaller::writeIni(const std::wstring& folder) {
    const bool written =
        mediumIni_ ? writeWholeFile(platform_, folder + L"\\" + kUninstallIniName,
                                    mediumIni_->data(), mediumIni_->size(), Share::None)
                   : writeResource(folder, kUninstallerIniResource, L"RT_INI", kUninstallIniName);
    if (!written) {
        return false;
    }
    log_.write(uninstallTextsLogLine(mediumIni_.has_value()));
    writeProfileEntries(folder + L"\\uninstall.ini",
                        registeredNameEntries(config_.regFileExtName, config_.regKeyName));
    return true;
}
