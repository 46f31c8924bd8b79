#include "common/win/unattended_win.h"

#include <shellapi.h>

RunLog openRunLog(Platform& platform, CommandSwitches& switches) {
    if (!switches.logPath) {
        return RunLog(platform);
    }
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(switches.logPath->c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH) {
        switches.logPath = full;
    }
    return RunLog(platform, *switches.logPath, switches.argument(0).empty());
}

KernelHandle startToWaitFor(const std::wstring& program, const std::wstring& parameters,
                            const std::wstring& folder) {
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    start.lpVerb = L"open";
    start.lpFile = program.c_str();
    start.lpParameters = parameters.c_str();
    start.lpDirectory = folder.c_str();
    start.nShow = SW_SHOW;
    if (!ShellExecuteExW(&start)) {
        return KernelHandle();
    }
    return KernelHandle(start.hProcess);
}

DWORD exitCodeOf(const KernelHandle& process, DWORD whenUnknown) {
    DWORD code = whenUnknown;
    if (!process || !GetExitCodeProcess(process.get(), &code)) {
        return whenUnknown;
    }
    return code;
}
