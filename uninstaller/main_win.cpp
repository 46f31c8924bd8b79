// The uninstaller's start-up. Its first run copies the program, uninstall.ini
// and uninstall.dat to the temporary folder, schedules the copies for deletion
// at restart and starts the copy with "uninstall"; the copy does the removal.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/schedule_delete.h"
#include "common/win/win32_platform_win.h"
#include "uninstaller/uninstall_texts.h"

namespace {

std::wstring firstArgument() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring argument = (list != nullptr && count > 1) ? list[1] : L"";
    LocalFree(list);
    return argument;
}

std::wstring ownFileName() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

bool copyReplacing(const std::wstring& source, const std::wstring& destination) {
    DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
}

// The copy stage; the removal happens in the copy it starts.
void copyToTemporaryFolder(UserPrompt& prompt, const UninstallTexts& texts) {
    wchar_t tempBuffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempBuffer);
    const std::wstring temp = tempBuffer;
    std::srand(GetTickCount());
    const std::wstring program =
        temp + L"uninstall" + std::to_wstring(std::rand() % 32768) + L".exe";
    const std::vector<std::pair<std::wstring, std::wstring>> copies = {
        {ownFileName(), program},
        {L"uninstall.ini", temp + L"uninstall.ini"},
        {L"uninstall.dat", temp + L"uninstall.dat"},
    };
    for (const auto& [source, destination] : copies) {
        if (!copyReplacing(source, destination)) {
            prompt.showMessage(texts.errorCreateTempFile, MessageIcon::Stop);
            return;
        }
    }
    for (const auto& copy : copies) {
        ScheduleDeleteOnReboot(copy.second);
    }
    ShellExecuteW(nullptr, L"open", program.c_str(), L"uninstall", temp.c_str(), SW_SHOW);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Win32Platform platform;
    MessageBoxPrompt prompt(L"uninstall");
    const UninstallTexts texts = loadUninstallTexts(IniFile(platform), L".\\uninstall.ini");
    if (firstArgument().empty()) {
        copyToTemporaryFolder(prompt, texts);
        return 0;
    }
    // The removal stage (record, window and removal engine) joins here.
    return 0;
}
