#include "uninstall_texts.h"

#include "common/ini_file.h"

UninstallTexts loadUninstallTexts(const IniFile& ini, const std::wstring& profilePath) {
    const IniIndex file = ini.read(profilePath);
    auto get = [&](const wchar_t* section, const wchar_t* key) {
        return file.getString(section, key, L"");
    };
    UninstallTexts texts;
    texts.deleteItem1 = get(L"interface", L"delete_item_1");
    texts.deleteItem2 = get(L"interface", L"delete_item_2");
    texts.deleteItem3 = get(L"interface", L"delete_item_3");
    texts.deleteAll = get(L"interface", L"delete_all");
    texts.progressGroup = get(L"interface", L"progress_group");
    texts.buttonOk = get(L"interface", L"button_ok");
    texts.buttonCancel = get(L"interface", L"button_cancel");
    texts.uninstallGroup = get(L"interface", L"uninstall_group");
    texts.windowTitle = get(L"interface", L"window_title");
    texts.deleteAllAsk = get(L"interface", L"delete_all_ask");
    texts.exitUrl = get(L"interface", L"exit_url");
    texts.errorCreateTempFile = get(L"error", L"error_create_temp_file");
    return texts;
}
