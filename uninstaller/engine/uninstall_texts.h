// The uninstaller's texts from uninstall.ini; a missing key gives an empty text.
#pragma once

#include <string>

class IniFile;

struct UninstallTexts {
    std::wstring deleteItem1;
    std::wstring deleteItem2;
    std::wstring deleteItem3;
    std::wstring deleteAll;
    std::wstring progressGroup;
    std::wstring buttonOk;
    std::wstring buttonCancel;
    std::wstring uninstallGroup;
    std::wstring windowTitle;
    std::wstring deleteAllAsk;
    std::wstring exitUrl;
    std::wstring errorCreateTempFile;
};

UninstallTexts loadUninstallTexts(const IniFile& ini, const std::wstring& profilePath);
