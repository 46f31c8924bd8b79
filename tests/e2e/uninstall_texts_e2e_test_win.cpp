// The uninstaller's texts a medium carries: an uninstall.ini beside
// install.ini is written into the game's folder instead of the built-in
// default, a medium without one gets the default even after one with it, and
// a damaged one stops the install before anything is installed. The
// installer is started as a person or a script starts it, first run
// included, since that run brings the file into the private folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;
using e2e::kInstallTimeout;
using Bytes = std::vector<uint8_t>;

const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e2e::install_texts::kProduct;

// A game's own texts, each naming it, so that none can come from the default.
const std::wstring kOwnTitle = L"Remove Kestrel Run";
const std::vector<std::pair<int, std::wstring>> kOwnCaptions = {
    {1001, L"Removing Kestrel Run"},
    {1002, L"Removing the files of Kestrel Run"},
    {1003, L"Removing the folders of Kestrel Run"},
    {1004, L"Removing the shortcuts of Kestrel Run"},
    {1005, L"Kestrel Run progress"},
    {kDeleteAllBox, L"Also delete saved Kestrel Run games"},
    {IDOK, L"Remove Kestrel Run"},
    {IDCANCEL, L"Keep Kestrel Run"},
};
const std::wstring kOwnTexts =
    L"[interface]\r\n"
    L"delete_item_1=Removing the files of Kestrel Run\r\n"
    L"delete_item_2=Removing the folders of Kestrel Run\r\n"
    L"delete_item_3=Removing the shortcuts of Kestrel Run\r\n"
    L"delete_all=Also delete saved Kestrel Run games\r\n"
    L"progress_group=Kestrel Run progress\r\n"
    L"button_ok=Remove Kestrel Run\r\n"
    L"button_cancel=Keep Kestrel Run\r\n"
    L"uninstall_group=Removing Kestrel Run\r\n"
    L"window_title=" +
    kOwnTitle +
    L"\r\n"
    L"delete_all_ask=Delete every Kestrel Run file?\r\n"
    L"[error]\r\n"
    L"error_create_temp_file=Kestrel Run cannot copy its uninstaller.\r\n";

const std::wstring kRefused = L"The uninstaller's texts of this medium cannot be used: ";

const std::vector<e2e::GameFile> kGame = {{L"Game.exe", 30000}, {L"readme.txt", 200}};

// The lines that follow `prefix` in a UTF-16 file that starts with it;
// nothing when it does not.
std::optional<std::vector<std::wstring>> linesAfter(const Bytes& file, const Bytes& prefix) {
    if (file.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), file.begin()) ||
        (file.size() - prefix.size()) % 2 != 0) {
        return std::nullopt;
    }
    std::wstring rest;
    for (size_t at = prefix.size(); at < file.size(); at += 2) {
        rest += static_cast<wchar_t>(file[at] | (file[at + 1] << 8));
    }
    std::vector<std::wstring> lines;
    for (size_t at = 0, end; (end = rest.find(L"\r\n", at)) != std::wstring::npos; at = end + 2) {
        lines.push_back(rest.substr(at, end - at));
    }
    return lines;
}

std::wstring profileString(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(section, key, L"", value, 256, path.c_str());
    return value;
}

class UninstallTextsScenario : public e2e::InstallScenarioBase {
protected:
    UninstallTextsScenario() : staged_(e2e::temporaryFolder() + L"CKVStaging\\uninstall.ini") {}

    void SetUp() override {
        InstallScenarioBase::SetUp();
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        ASSERT_NO_FATAL_FAILURE(pack(kGame, L""));
    }
    void TearDown() override {
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        InstallScenarioBase::TearDown();
    }

    std::wstring mediumIni() const { return medium_ + L"\\uninstall.ini"; }
    std::wstring logOf(const std::wstring& name) const {
        return root_.path() + L"\\" + name + L".log";
    }

    // install.exe /S from its medium, as a script starts it from elsewhere;
    // answers the exit code.
    std::optional<DWORD> installSilently(const std::wstring& target, const std::wstring& log) {
        auto first = ui::Process::start(medium_ + L"\\install.exe",
                                        L"/S /D=" + target + L" /LOG=" + log, root_.path());
        if (!first || !first->waitForExit(kInstallTimeout)) {
            return std::nullopt;
        }
        return first->exitCode();
    }

    const std::wstring staged_;
};

TEST_F(UninstallTextsScenario, TheMediumsOwnTextsAreWrittenAndAMediumWithoutThemGetsTheDefault) {
    const Bytes own = e2e::utf16FileBytes(kOwnTexts);
    ASSERT_TRUE(e2e::writeFileBytes(mediumIni(), own));
    const std::wstring target = targets_.path() + L"\\Own Texts";
    ASSERT_EQ(installSilently(target, logOf(L"own")), std::optional<DWORD>(0));

    // Brought into the private folder, then placed as it is; the installer
    // only adds its [registered] section.
    EXPECT_EQ(e2e::readFileBytes(staged_), std::optional<Bytes>(own));
    const std::wstring installed = target + L"\\uninstall.ini";
    const auto bytes = e2e::readFileBytes(installed);
    ASSERT_TRUE(bytes.has_value());
    const auto added = linesAfter(*bytes, own);
    ASSERT_TRUE(added.has_value()) << "the medium's bytes are not the file's start";
    ASSERT_FALSE(added->empty());
    EXPECT_EQ(added->front(), L"[registered]");
    for (size_t i = 1; i < added->size(); ++i) {
        EXPECT_NE((*added)[i].find(L'='), std::wstring::npos) << utf8FromWide((*added)[i]);
    }
    EXPECT_EQ(profileString(installed, L"registered", L"uninstall_key"),
              e2e::install_texts::kProduct);
    EXPECT_TRUE(e2e::hasLine(e2e::logLines(logOf(L"own")),
                             L"Uninstaller texts: uninstall.ini of the medium"));

    // The uninstaller shows them; Cancel leaves the game.
    e2e::UninstallerDriver uninstaller(target, kOwnTitle);
    auto window = uninstaller.start();
    ASSERT_TRUE(window.has_value());
    for (const auto& [id, caption] : kOwnCaptions) {
        EXPECT_EQ(window->control(id).text(), caption) << id;
    }
    ASSERT_TRUE(window->control(IDCANCEL).click());
    ASSERT_TRUE(window->waitGone());
    EXPECT_TRUE(e2e::fileExists(target + L"\\Game.exe"));

    // The next medium has none: the copy in the private folder goes, and
    // the built-in default is written.
    ASSERT_TRUE(DeleteFileW(mediumIni().c_str()));
    const std::wstring next = targets_.path() + L"\\Default Texts";
    ASSERT_EQ(installSilently(next, logOf(L"default")), std::optional<DWORD>(0));
    EXPECT_FALSE(e2e::fileExists(staged_));
    EXPECT_EQ(profileString(next + L"\\uninstall.ini", L"interface", L"window_title"),
              e2e::install_texts::kUninstallTitle);
    EXPECT_TRUE(
        e2e::hasLine(e2e::logLines(logOf(L"default")), L"Uninstaller texts: the built-in default"));
}

TEST_F(UninstallTextsScenario, ADamagedFileStopsTheInstallWithItsMessageAndNothingIsInstalled) {
    const Bytes utf16 = e2e::utf16FileBytes(kOwnTexts);
    const std::string ansi(kOwnTexts.begin(), kOwnTexts.end());
    const struct {
        const char* what;
        Bytes bytes;
        std::wstring reason;
    } cases[] = {
        {"UTF-8", Bytes{0xEF, 0xBB, 0xBF}, L"uninstall.ini is UTF-8."},
        {"ANSI", Bytes(ansi.begin(), ansi.end()),
         L"uninstall.ini is without a byte-order mark (ANSI or UTF-8)."},
        {"no [interface]",
         e2e::utf16FileBytes(L"[error]\r\nerror_create_temp_file=Kestrel Run fails.\r\n"),
         L"uninstall.ini has no [interface] section"},
        {"[registered]", e2e::utf16FileBytes(kOwnTexts + L"[registered]\r\nuninstall_key=X\r\n"),
         L"uninstall.ini has a [registered] section, which only the installer writes."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(e2e::writeFileBytes(mediumIni(), c.bytes));
        const std::wstring target = targets_.path() + L"\\Refused";
        const std::wstring log = logOf(L"refused");
        DeleteFileW(log.c_str());
        EXPECT_EQ(installSilently(target, log), std::optional<DWORD>(1));
        EXPECT_FALSE(e2e::folderExists(target));
        const auto lines = e2e::logLines(log);
        const bool said = std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
            return line.rfind(L"Message: " + kRefused + medium_ + L"\\", 0) == 0 &&
                   line.find(c.reason) != std::wstring::npos;
        });
        EXPECT_TRUE(said) << "no refusal in the log";
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), L"Result: nothing was installed (exit code 1)");
    }

    // Started by a person, the copy says so in a message box before any
    // window of its own and ends at OK.
    auto first = ui::Process::start(medium_ + L"\\install.exe", L"", medium_);
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(first->waitForExit());
    std::optional<ui::Process> copy;
    for (const auto& entry : ui::listProcesses(L"install.exe")) {
        if (entry.parentId == first->id()) {
            copy = ui::Process::open(entry.id);
        }
    }
    ASSERT_TRUE(copy.has_value()) << "the first run started no copy";
    auto box = ui::MessageBoxWindow::find(kRefused, copy->id());
    ASSERT_TRUE(box.has_value()) << "no refusal shown";
    EXPECT_NE(box->text().find(cases[3].reason), std::wstring::npos) << utf8FromWide(box->text());
    ASSERT_TRUE(box->press(IDOK));
    EXPECT_TRUE(copy->waitForExit());
    EXPECT_TRUE(
        ui::Window::list({e2e::install_texts::kAgreementTitle, false, L"#32770", 0}).empty());
}

}  // namespace
