#pragma once

#include <string>

// Has the system delete one file at the next restart: MoveFileEx on the NT
// family, the "REMOVE" section of wininit.ini on 9x. The result is not used.
void ScheduleDeleteOnReboot(const std::wstring& path);
