// The uninstaller's texts a medium may carry: an uninstall.ini beside
// install.ini, which the installer then writes into the game's folder instead
// of its built-in default. The first run brings the file into the private
// folder with the other files; the second run takes that copy only when the
// medium itself holds the file, so that a copy another medium left there is
// never used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Platform;

inline constexpr wchar_t kUninstallIniName[] = L"uninstall.ini";

// Why the installer refuses `bytes` as the game's uninstall.ini; empty when it
// takes them. `shownPath` names the file in the text.
std::wstring uninstallIniFault(const std::vector<uint8_t>& bytes, const std::wstring& shownPath,
                               Platform& platform);

struct UninstallIniChoice {
    enum class Source { BuiltIn, Medium, Refused };
    Source source = Source::BuiltIn;
    std::vector<uint8_t> bytes;  // the medium's file, when it is taken
    std::wstring refusal;        // the message, when it is refused
};

// Which uninstall.ini the install will write: the medium's (read from
// `localCopy`, the copy beside the running program) when `mediumFolder` holds
// one and it passes uninstallIniFault, else the built-in default.
UninstallIniChoice chooseUninstallIni(Platform& platform, const std::wstring& mediumFolder,
                                      const std::wstring& localCopy);

// The first run's part: removes a copy an earlier run left in
// `privateFolder` (given without its final "\") and copies the medium's file
// from `sourceFolder` when there is one. An empty file is copied too, so that
// the second run can say what is wrong with it. False when the copy failed.
bool stageUninstallIni(Platform& platform, const std::wstring& privateFolder,
                       const std::wstring& sourceFolder);

// The log's line on the texts written for the uninstaller.
std::wstring uninstallTextsLogLine(bool fromMedium);
