#include "schedule_delete.h"

#include <windows.h>

void ScheduleDeleteOnReboot(const std::wstring& path) {
    if ((GetVersion() & 0x80000000U) == 0) {
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        WritePrivateProfileStringW(L"REMOVE", L"NULL", path.c_str(), L"wininit.ini");
    }
}
