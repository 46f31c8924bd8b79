#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

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

using Messages = std::vector<std::pair<std::wstring, MessageIcon>>;

// Keeps the messages hashing a file shows, to be shown in the order of the
// records. Hashing asks nothing; a question would be answered No.
class MessageLog : public UserPrompt {
public:
    explicit MessageLog(Messages& messages) : messages_(messages) {}
    void showMessage(const std::wstring& text, MessageIcon icon) override {
        messages_.emplace_back(text, icon);
    }
    bool askYesNo(const std::wstring& text, MessageIcon icon) override {
        showMessage(text, icon);
        return false;
    }

private:
    Messages& messages_;
};

struct Verdict {
    bool ok = false;
    Messages messages;
};

// Runs judge(i) for every record on `jobs` threads and hands the verdicts to
// report(i, verdict) on the calling thread, in record order.
class OrderedJudging {
public:
    OrderedJudging(size_t count, int jobs, std::function<Verdict(size_t)> judge)
        : judge_(std::move(judge)), verdicts_(count) {
        for (int i = 0; jobs > 1 && i < jobs; ++i) {
            workers_.emplace_back([this] { work(); });
        }
    }
    ~OrderedJudging() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            next_ = verdicts_.size();
        }
        for (auto& worker : workers_) {
            worker.join();
        }
    }
    OrderedJudging(const OrderedJudging&) = delete;
    OrderedJudging& operator=(const OrderedJudging&) = delete;

    void report(const std::function<void(size_t, const Verdict&)>& use) {
        for (size_t i = 0; i < verdicts_.size(); ++i) {
            if (workers_.empty()) {
                verdicts_[i] = judge_(i);
            }
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [&] { return verdicts_[i].has_value(); });
            Verdict verdict = std::move(*verdicts_[i]);
            verdicts_[i].reset();
            lock.unlock();
            use(i, verdict);
        }
    }

private:
    void work() {
        for (;;) {
            size_t i = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (next_ >= verdicts_.size()) {
                    return;
                }
                i = next_++;
            }
            Verdict verdict = judge_(i);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                verdicts_[i] = std::move(verdict);
            }
            done_.notify_all();
        }
    }

    std::function<Verdict(size_t)> judge_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::optional<Verdict>> verdicts_;
    size_t next_ = 0;
    std::vector<std::thread> workers_;
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
    // The records are read first; one that cannot be read ends the report
    // where it stands, after the lines of those before it.
    std::vector<CheckEntry> entries;
    const size_t count = list->count();
    while (entries.size() < count) {
        auto entry = list->next();
        if (!entry) {
            break;
        }
        entries.push_back(std::move(*entry));
    }
    TerminalPrompt prompt(console);
    int failed = 0;
    OrderedJudging judging(entries.size(), *jobs, [&](size_t i) {
        Verdict verdict;
        MessageLog log(verdict.messages);
        verdict.ok = InstalledFileMatches(platform, log, target, entries[i]);
        return verdict;
    });
    judging.report([&](size_t i, const Verdict& verdict) {
        const std::wstring name = wideFromUtf16(entries[i].name);
        if (!isSafeRelativeName(name)) {
            console.error(listPath + L": " + name + L" is not a path below the target folder");
        }
        for (const auto& [text, icon] : verdict.messages) {
            prompt.showMessage(text, icon);
        }
        failed += verdict.ok ? 0 : 1;
        console.out << utf8FromWide(name) << " ... " << (verdict.ok ? "OK!" : "FAILED!") << "\n";
    });
    if (entries.size() < count) {
        console.error(L"Failed to read " + listPath);
        return kExitFailed;
    }
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
