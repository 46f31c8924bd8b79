// The commands of the medium tool. Each answers the process's exit status:
// 0 when all went well, 1 when something failed or a fault was found, 2 for
// a command line that cannot be used.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "tools/medium/options.h"
#include "tools/medium/terminal.h"

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// `words` are the arguments after the program name, in UTF-8.
int runMedium(const std::vector<std::string>& words, Platform& platform, Console& console);

int runPack(const std::vector<std::string>& words, Platform& platform, Console& console);
int runList(const std::vector<std::string>& words, Platform& platform, Console& console);
int runCheck(const std::vector<std::string>& words, Platform& platform, Console& console);
int runExtract(const std::vector<std::string>& words, Platform& platform, Console& console);
int runVerify(const std::vector<std::string>& words, Platform& platform, Console& console);

// The start every command shares: "--help" shows `help`; a parse error, or
// another number of positional arguments than `positionalCount`, reports the
// problem (`needs` for the count) with a hint. Both answer the exit status to
// end with; nothing when the command goes on.
// The value of --jobs, 1 to 64, by default the number of cores; nothing when
// it is not a number in that range (reported as a usage problem).
std::optional<int> jobsOption(const CommandLine& line, const char* command, Console& console);

std::optional<int> answerHelpOrUsage(const CommandLine& line, size_t positionalCount,
                                     const char* command, const char* help, const wchar_t* needs,
                                     Console& console);
