// What both programs' unattended runs share on Windows: the log as the
// switches ask for it, and starting the copy in the temporary folder so that
// the first stage can wait for it.
#pragma once

#include <windows.h>

#include <string>

#include "common/command_switches.h"
#include "common/run_log.h"
#include "common/win/handles_win.h"

// The log of /LOG=FILE, its path made absolute in `switches` (the copy runs
// in another folder). The first stage (no argument) starts it afresh, the
// copy goes on with it; without /LOG it writes nowhere.
RunLog openRunLog(Platform& platform, CommandSwitches& switches);

// Starts `program` through the shell with its parameters in `folder`; the
// process to wait on, or none when it did not start.
KernelHandle startToWaitFor(const std::wstring& program, const std::wstring& parameters,
                            const std::wstring& folder);

// The exit code of an ended process.
DWORD exitCodeOf(const KernelHandle& process, DWORD whenUnknown);
