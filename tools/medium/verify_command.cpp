#include <ostream>

#include "common/formats.h"
#include "common/relative_name.h"
#include "common/text.h"
#include "installer/engine/file_verification.h"
#include "tools/medium/commands.h"
#include "tools/medium/disc_set.h"
#include "tools/medium/host_path.h"
#include "tools/medium/options.h"

namespace {

const char kVerifyHelp[] =
    "usage: medium verify MEDIUM_DIR TARGET_DIR [--disc DIR]... [--jobs N]\n"
    "\n"
    "Checks the files installed in TARGET_DIR against check.md in MEDIUM_DIR, as the\n"
    "installer's verification does, with one line per file: \"name ... OK!\" or\n"
    "\"name ... FAILED!\". The exit status is 1 when any file failed.\n"
    "\n"
    "  --disc DIR   the folder of a further disc (repeatable): the verification after\n"
    "               an install reads check.md from the disc in the drive, so each\n"
    "               disc must carry the same check.md as MEDIUM_DIR, or the exit\n"
    "               status is 1\n"
    "  --jobs N   files hashed at once (default: one per core); the lines and\n"
    "             messages come in the order of check.md all the same\n";

// One line per file, after the messages hashing it showed.
class ConsoleReport : public JudgingReport {
public:
    ConsoleReport(Console& console, UserPrompt& prompt, const std::wstring& listPath)
        : console_(console), prompt_(prompt), listPath_(listPath) {}

    void begin(const CheckEntry&) override {}
    bool progress(int) override { return true; }
    bool judged(const CheckEntry& entry, bool matches, const KeptMessages& messages) override {
        const std::wstring name = wideFromUtf16(entry.name);
        if (!isSafeRelativeName(name)) {
            console_.error(listPath_ + L": " + name + L" is not a path below the target folder");
        }
        for (const auto& [text, icon] : messages) {
            prompt_.showMessage(text, icon);
        }
        failed += matches ? 0 : 1;
        console_.out << utf8FromWide(name) << " ... " << (matches ? "OK!" : "FAILED!") << "\n";
        return true;
    }

    int failed = 0;

private:
    Console& console_;
    UserPrompt& prompt_;
    const std::wstring& listPath_;
};

}  // namespace

int runVerify(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {kDiscOption, "--jobs"});
    if (auto status = answerHelpOrUsage(line, 2, "verify", kVerifyHelp,
                                        L"verify needs MEDIUM_DIR and TARGET_DIR", console)) {
        return *status;
    }
    const auto jobs = jobsOption(line, "verify", console);
    if (!jobs) {
        return kExitUsage;
    }
    const DiscSet discs = DiscSet::fromCommandLine(line);
    const std::wstring target = wideFromUtf8(line.positional()[1]);
    const std::wstring listPath = joinPath(discs.medium(), L"check.md");
    auto list = CheckList::open(platform, listPath);
    if (!list) {
        console.error(L"Failed to open file " + listPath);
        return kExitFailed;
    }
    // A record that cannot be read ends the report where it stands, after the
    // lines of those before it.
    TerminalPrompt prompt(console);
    ConsoleReport report(console, prompt, listPath);
    const size_t count = list->count();
    if (JudgeInstalledFiles(platform, target, *list, *jobs, report) != JudgingEnd::AllJudged) {
        console.error(L"Failed to read " + listPath);
        return kExitFailed;
    }
    const int failed = report.failed;
    const auto discFaults = discs.checkListFaults(platform);
    for (const auto& fault : discFaults) {
        console.error(fault);
    }
    if (failed != 0) {
        console.out << failed << " of " << count << " files FAILED\n";
        return kExitFailed;
    }
    return discFaults.empty() ? kExitOk : kExitFailed;
}
