// medium: the publisher's tool that makes, lists, checks, extracts and
// verifies install media.
#include <iostream>

#include "common/posix_platform.h"
#include "common/text.h"
#include "tools/medium/commands.h"

#ifdef _WIN32
void prepareConsole();  // console_win.cpp

int wmain(int argc, wchar_t** argv) {
    prepareConsole();
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        words.push_back(utf8FromWide(argv[i]));
    }
#else
int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
#endif
    PosixPlatform platform;
    Console console{std::cout, std::cerr, std::cin, stdinIsTerminal(), stderrIsTerminal()};
    const int status = runMedium(words, platform, console);
    std::cout.flush();
    return status;
}
