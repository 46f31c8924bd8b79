#include <ostream>

#include "common/text.h"
#include "tools/medium/commands.h"

namespace {

const char kHelp[] =
    "usage: medium COMMAND ...\n"
    "\n"
    "Makes and checks install media: data1.pck ... dataN.pck, check.md and the\n"
    "[md5code] section of install.ini.\n"
    "\n"
    "  pack GAME_DIR MEDIUM_DIR     make the packages and check.md of a game folder\n"
    "  list MEDIUM_DIR              show the header and every entry\n"
    "  check MEDIUM_DIR             check a medium as the installer will read it\n"
    "  extract MEDIUM_DIR TARGET    unpack a medium as the installer does\n"
    "  verify MEDIUM_DIR TARGET     check installed files against check.md\n"
    "\n"
    "list, check, extract and verify take --disc DIR for each further disc of a set.\n"
    "medium COMMAND --help describes each command.\n";

}  // namespace

int runMedium(const std::vector<std::string>& words, Platform& platform, Console& console) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        console.out << kHelp;
        return words.empty() ? kExitUsage : kExitOk;
    }
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    const std::string& command = words[0];
    if (command == "pack") {
        return runPack(rest, platform, console);
    }
    if (command == "list") {
        return runList(rest, platform, console);
    }
    if (command == "check") {
        return runCheck(rest, platform, console);
    }
    if (command == "extract") {
        return runExtract(rest, platform, console);
    }
    if (command == "verify") {
        return runVerify(rest, platform, console);
    }
    console.error(L"unknown command " + wideFromUtf8(command));
    console.err << "try: medium --help\n";
    return kExitUsage;
}

std::optional<int> answerHelpOrUsage(const CommandLine& line, size_t positionalCount,
                                     const char* command, const char* help, const wchar_t* needs,
                                     Console& console) {
    if (line.wantsHelp()) {
        console.out << help;
        return kExitOk;
    }
    if (line.error().empty() && line.positional().size() == positionalCount) {
        return std::nullopt;
    }
    console.error(line.error().empty() ? std::wstring(needs) : wideFromUtf8(line.error()));
    console.err << "try: medium " << command << " --help\n";
    return kExitUsage;
}

std::optional<int> jobsOption(const CommandLine& line, const char* command, Console& console) {
    const auto text = line.last("--jobs");
    if (!text) {
        return processorCount();
    }
    auto jobs = parseBoundedInt(*text, 1, 64);
    if (!jobs) {
        console.error(L"--jobs: 1 to 64: " + wideFromUtf8(*text));
        console.err << "try: medium " << command << " --help\n";
    }
    return jobs;
}
