// HashFileMd5 on one file, with a progress function as the package check
// gives it; prints the digest as md5sum does.
//   bench_hash FILE
#include <cstdio>

#include "common/posix_platform.h"
#include "common/text.h"
#include "installer/engine/file_hash.h"
#include "tools/medium/terminal.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_hash FILE\n");
        return 2;
    }
    PosixPlatform platform;
    Console console{std::cout, std::cerr, std::cin, false, false};
    TerminalPrompt prompt(console);
    int lastPercent = -1;
    auto digest = HashFileMd5(platform, prompt, wideFromUtf8(argv[1]),
                              [&](int percent) { lastPercent = percent; });
    if (!digest || lastPercent != 100) {
        return 1;
    }
    std::printf("%s  %s\n", digest->c_str(), argv[1]);
    return 0;
}
