#include <ostream>

#include "common/formats.h"
#include "common/relative_name.h"
#include "common/text.h"
#include "installer/verify/file_verification.h"
#include "tools/medium/commands.h"
#include "tools/medium/game_tree.h"
#include "tools/medium/options.h"

namespace {

const char kVerifyHelp[] =
    "usage: medium verify MEDIUM_DIR TARGET_DIR\n"
    "\n"
    "Checks the files installed in TARGET_DIR against MEDIUM_DIR\\check.md, as the\n"
    "installer's verification does, with one line per file: \"name ... OK!\" or\n"
    "\"name ... FAILED!\". The exit status is 1 when any file failed.\n";

}  // namespace

int runVerify(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {});
    if (auto status = answerHelpOrUsage(line, 2, "verify", kVerifyHelp,
                                        L"verify needs MEDIUM_DIR and TARGET_DIR", console)) {
        return *status;
    }
    const std::wstring medium = wideFromUtf8(line.positional()[0]);
    const std::wstring target = wideFromUtf8(line.positional()[1]);
    const std::wstring listPath = joinPath(medium, L"check.md");
    auto list = CheckList::open(platform, listPath);
    if (!list) {
        console.error(L"Failed to open file " + listPath);
        return kExitFailed;
    }
    TerminalPrompt prompt(console);
    int failed = 0;
    const size_t count = list->count();
    for (size_t i = 0; i < count; ++i) {
        const auto entry = list->next();
        if (!entry) {
            console.error(L"Failed to read " + listPath);
            return kExitFailed;
        }
        const std::wstring name = wideFromUtf16(entry->name);
        if (!isSafeRelativeName(name)) {
            console.error(listPath + L": " + name + L" is not a path below the target folder");
        }
        const bool ok = InstalledFileMatches(platform, prompt, target, *entry);
        failed += ok ? 0 : 1;
        console.out << utf8FromWide(name) << " ... " << (ok ? "OK!" : "FAILED!") << "\n";
    }
    if (failed != 0) {
        console.out << failed << " of " << count << " files FAILED\n";
        return kExitFailed;
    }
    return kExitOk;
}
