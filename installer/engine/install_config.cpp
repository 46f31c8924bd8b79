#include "install_config.h"

#include <new>
#include <stdexcept>

#include "common/ini_file.h"
#include "common/platform.h"
#include "common/text.h"

namespace {

// A table's entries exist exactly as often as its count says; the count is
// allocated before anything is read, as the allocation messages require.
template <typename Entry>
bool allocateTable(std::vector<Entry>& table, int count, UserPrompt& prompt,
                   const wchar_t* message) {
    if (count <= 0) {
        return true;
    }
    try {
        table.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        table.clear();
        prompt.showMessage(message, MessageIcon::None);
        return false;
    } catch (const std::length_error&) {  // more entries than a vector can hold
        table.clear();
        prompt.showMessage(message, MessageIcon::None);
        return false;
    }
    return true;
}

// A file too large to hold in memory gets the message of a table that
// cannot be allocated, rather than ending the process unannounced.
std::optional<IniIndex> readIndex(const IniFile& ini, const std::wstring& path,
                                  UserPrompt& prompt) {
    try {
        return ini.read(path);
    } catch (const std::bad_alloc&) {
        prompt.showMessage(L"Not enough memory!", MessageIcon::None);
    } catch (const std::length_error&) {
        prompt.showMessage(L"Not enough memory!", MessageIcon::None);
    }
    return std::nullopt;
}

}  // namespace

const std::wstring& InstallConfig::text(size_t index) const {
    static const std::wstring kEmpty;
    return index < texts.size() ? texts[index] : kEmpty;
}

std::optional<InstallConfig> loadConfiguration(const IniFile& ini, const std::wstring& profileName,
                                               UserPrompt& prompt) {
    // One reading for every lookup: a table's count may ask for many thousands.
    const auto file = readIndex(ini, profileName, prompt);
    if (!file) {
        return std::nullopt;
    }
    auto get = [&](const std::wstring& section, const std::wstring& key,
                   const std::wstring& fallback = L"") {
        return file->getString(section, key, fallback);
    };
    auto number = [&](const std::wstring& section, const std::wstring& key,
                      const std::wstring& fallback) {
        return parseLeadingInt(get(section, key, fallback));
    };

    InstallConfig config;
    if (!allocateTable(config.shortcuts, number(L"shortcut", L"count", L"0"), prompt,
                       L"Not enough memory!")) {
        return std::nullopt;
    }
    for (size_t i = 0; i < config.shortcuts.size(); ++i) {
        const std::wstring section = L"shortcut" + std::to_wstring(i);
        auto& shortcut = config.shortcuts[i];
        shortcut.name = get(section, L"name");
        shortcut.link = get(section, L"link");
        shortcut.pos = get(section, L"pos");
        shortcut.params = get(section, L"params");
    }

    if (!allocateTable(config.texts, number(L"restable", L"rescount", L"0"), prompt,
                       L"Not enough memeory!")) {
        return std::nullopt;
    }
    for (size_t i = 0; i < config.texts.size(); ++i) {
        config.texts[i] = get(L"restable", L"str" + std::to_wstring(i));
    }

    config.programGroup = get(L"setup", L"programgroup");
    config.product = get(L"setup", L"product");
    config.programFile = get(L"setup", L"programfile");
    config.url = get(L"setup", L"url");
    config.openUrl = get(L"setup", L"open_url");
    config.publisher = get(L"setup", L"publisher");
    config.version = get(L"setup", L"version");
    config.folderCreateFlag = number(L"setup", L"folder_create_flag", L"1") != 0;
    config.packageCheckFlag = number(L"setup", L"package_check_flag", L"1") != 0;
    config.regFileExtName = get(L"setup", L"reg_file_ext_name");
    config.regKeyName = get(L"setup", L"reg_key_name");

    if (!allocateTable(config.packageDigests, number(L"md5code", L"count", L"0"), prompt,
                       L"Not enough memeory!")) {
        return std::nullopt;
    }
    for (size_t i = 0; i < config.packageDigests.size(); ++i) {
        config.packageDigests[i] = get(L"md5code", L"pck" + std::to_wstring(i + 1));
    }
    return config;
}
