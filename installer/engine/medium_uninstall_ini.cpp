#include "installer/engine/medium_uninstall_ini.h"

#include "common/ini_file.h"
#include "common/platform.h"
#include "common/registered_type.h"

namespace {

// Every refusal begins so, then names the medium's file.
constexpr wchar_t kRefused[] = L"The uninstaller's texts of this medium cannot be used: ";

}  // namespace

std::wstring uninstallIniFault(const std::vector<uint8_t>& bytes, const std::wstring& shownPath,
                               Platform& platform) {
    const std::wstring start = kRefused + shownPath + L" ";
    const std::wstring encoding = nonUtf16Encoding(bytes);
    if (!encoding.empty()) {
        return start + L"is " + encoding +
               L". It must be UTF-16 little-endian with its byte-order mark (FF FE). Nothing "
               L"was installed.";
    }
    const IniIndex ini(bytes, platform);
    if (!ini.hasSection(L"interface")) {
        return start +
               L"has no [interface] section, which holds the uninstaller's texts. Nothing was "
               L"installed.";
    }
    // The installer adds this section after the install; entries already
    // there would be merged with its own and taken for what it registered.
    if (ini.hasSection(kRegisteredSection)) {
        return start + L"has a [" + std::wstring(kRegisteredSection) +
               L"] section, which only the installer writes. Nothing was installed.";
    }
    return {};
}

UninstallIniChoice chooseUninstallIni(Platform& platform, const std::wstring& mediumFolder,
                                      const std::wstring& localCopy) {
    UninstallIniChoice choice;
    const std::wstring mediumFile = mediumFolder + L"\\" + kUninstallIniName;
    if (!platform.fileExists(mediumFile)) {
        return choice;
    }
    auto bytes = readWholeFile(platform, localCopy);
    if (!bytes) {
        // Started with a folder argument, no first run brought a copy.
        bytes = readWholeFile(platform, mediumFile);
    }
    if (!bytes) {
        choice.source = UninstallIniChoice::Source::Refused;
        choice.refusal = kRefused + mediumFile + L" cannot be read. Nothing was installed.";
        return choice;
    }
    choice.refusal = uninstallIniFault(*bytes, mediumFile, platform);
    if (!choice.refusal.empty()) {
        choice.source = UninstallIniChoice::Source::Refused;
        return choice;
    }
    choice.source = UninstallIniChoice::Source::Medium;
    choice.bytes = std::move(*bytes);
    return choice;
}

bool stageUninstallIni(Platform& platform, const std::wstring& privateFolder,
                       const std::wstring& sourceFolder) {
    const std::wstring staged = privateFolder + L"\\" + kUninstallIniName;
    if (platform.fileExists(staged)) {
        platform.clearReadOnly(staged);
        platform.deleteFile(staged);
    }
    const bool root = !sourceFolder.empty() && sourceFolder.back() == L'\\';
    const std::wstring source = sourceFolder + (root ? L"" : L"\\") + kUninstallIniName;
    if (!platform.fileExists(source)) {
        return true;
    }
    const auto bytes = readWholeFile(platform, source, Share::DenyWrite);
    return bytes &&
           writeWholeFile(platform, staged, bytes->data(), bytes->size(), Share::DenyWrite);
}

std::wstring uninstallTextsLogLine(bool fromMedium) {
    return fromMedium ? L"Uninstaller texts: uninstall.ini of the medium"
                      : L"Uninstaller texts: the built-in default";
}
