// Installing from a medium made by medium.exe, driven as a person would:
// agree, choose the folder, skip the package check, watch the install page,
// and then find the game, its uninstall record and its shortcuts on disk.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::install_texts;

const std::vector<e2e::GameFile>& kGame = e2e::kSmallGame;

struct LinkInfo {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring arguments;
};

std::optional<LinkInfo> readLink(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put())))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link.queryInterface(IID_IPersistFile, file)) ||
        FAILED(file->Load(path.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    wchar_t buffer[MAX_PATH] = {};
    LinkInfo info;
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    info.target = buffer;
    link->GetWorkingDirectory(buffer, MAX_PATH);
    info.workingFolder = buffer;
    link->GetArguments(buffer, MAX_PATH);
    info.arguments = buffer;
    return info;
}

class InstallScenario : public e2e::InstallScenarioBase {
protected:
    InstallScenario() {
        shortcuts_ = {
            {L"Play Install Test", L"Game.exe", L"", L""},
            {L"Tool", L"bin\\tool.exe", L"", L"-quick"},
            {L"On the desktop", L"Game.exe", L"%desktop%", L""},
        };
    }

    ComScope com_;
};

TEST_F(InstallScenario, TwoDiscsInOneFolderInstallWithoutAPrompt) {
    ASSERT_NO_FATAL_FAILURE(pack(kGame, L"--disc-size 1M --chunk-size 256K", {L"saves"}));
    ASSERT_TRUE(e2e::fileExists(medium_ + L"\\data2.pck")) << "the medium has one package only";
    const std::wstring target = targets_.path() + L"\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));

    // The install ends with the program group, its last record.
    const std::wstring group = e2e::programsFolder() + L"\\" + programGroup_;
    const std::wstring record = target + L"\\uninstall.dat";
    ASSERT_TRUE(ui::waitUntil(
        [&] {
            const auto records = e2e::readUninstallRecords(record);
            return !records.empty() && records.back() == L"FILE:" + group + L"\\Tool.lnk";
        },
        60000))
        << "the install did not finish";
    EXPECT_FALSE(installer.visible(kNextDiscTitle.substr(0, 10)));
    EXPECT_FALSE(installer.visible(kUndoTitle));

    // Every file as packed.
    EXPECT_EQ(e2e::runMedium(L"verify \"" + medium_ + L"\" \"" + target + L"\""),
              std::optional<DWORD>(0));
    const auto uninstaller = e2e::readFileBytes(target + L"\\uninstall.exe");
    EXPECT_TRUE(uninstaller.has_value());
    EXPECT_EQ(uninstaller,
              e2e::readFileBytes(e2e::folderFromEnvironment(L"CKV_BIN") + L"\\uninstall.exe"));

    // The record, in creation order.
    const std::vector<std::wstring> records = e2e::readUninstallRecords(record);
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[0], L"FOLDER:" + target);
    EXPECT_EQ(records[1], L"FILE:" + target + L"\\uninstall.ini");
    EXPECT_EQ(records[2], L"FILE:" + target + L"\\uninstall.exe");
    EXPECT_EQ(records[3], L"FILE:" + target + L"\\uninstall.dat");
    const std::vector<std::wstring> tail(records.end() - 3, records.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"FOLDER:" + group,
                                               L"FILE:" + group + L"\\Play Install Test.lnk",
                                               L"FILE:" + group + L"\\Tool.lnk"}));
    // The package entries between them: every folder before what it holds.
    std::vector<std::wstring> entries(records.begin() + 4, records.end() - 3);
    for (const e2e::GameFile& file : kGame) {
        const std::wstring expected = L"FILE:" + target + L"\\" + file.name;
        EXPECT_NE(std::find(entries.begin(), entries.end(), expected), entries.end())
            << utf8FromWide(expected);
    }
    const auto position = [&](const std::wstring& text) {
        return std::find(entries.begin(), entries.end(), text) - entries.begin();
    };
    EXPECT_LT(position(L"FOLDER:" + target + L"\\data\\maps"),
              position(L"FILE:" + target + L"\\data\\maps\\one.map"));
    EXPECT_NE(position(L"FOLDER:" + target + L"\\saves"), static_cast<long>(entries.size()));
    EXPECT_EQ(entries.size(), kGame.size() + 5);  // bin, data, data\maps, data\music, saves

    // The program group's shortcuts point into the target folder.
    const auto play = readLink(group + L"\\Play Install Test.lnk");
    ASSERT_TRUE(play.has_value());
    EXPECT_EQ(play->target, target + L"\\Game.exe");
    EXPECT_EQ(play->workingFolder, target + L"\\");
    const auto tool = readLink(group + L"\\Tool.lnk");
    ASSERT_TRUE(tool.has_value());
    EXPECT_EQ(tool->target, target + L"\\bin\\tool.exe");
    EXPECT_EQ(tool->workingFolder, target + L"\\bin");
    EXPECT_EQ(tool->arguments, L"-quick");
    EXPECT_FALSE(e2e::fileExists(group + L"\\On the desktop.lnk"));
}

}  // namespace
