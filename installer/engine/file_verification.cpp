#include "installer/engine/file_verification.h"

#include "common/ordered_jobs.h"
#include "common/relative_name.h"
#include "common/text.h"

namespace {

struct Judgement {
    CheckEntry entry;
    bool matches = false;
    KeptMessages messages;
};

// Slots per thread: files judged ahead of the one reported, so that a thread
// rarely waits for a slot; each holds a verdict, not a buffer. While one
// thread hashes a large file, the others go on through the small files after
// it: with 4 a thread, they soon waited for it (a game's large archives lie
// among many small files).
constexpr size_t kSlotsPerJob = 32;

}  // namespace

std::optional<CheckList> CheckList::open(Platform& platform, const std::wstring& path) {
    auto file = platform.open(path, OpenMode::Read);
    if (!file) {
        return std::nullopt;
    }
    const uint64_t size = file->size().value_or(0);
    return CheckList(std::move(file), static_cast<size_t>(size / kCheckEntrySize));
}

std::optional<CheckEntry> CheckList::next() {
    CheckEntry::Bytes record{};
    if (file_->read(record.data(), record.size()) != record.size()) {
        return std::nullopt;
    }
    return CheckEntry::parse(record.data());
}

bool InstalledFileMatches(Platform& platform, UserPrompt& prompt, const std::wstring& targetFolder,
                          const CheckEntry& entry, const HashProgress& progress,
                          const HashStop& stop) {
    const std::wstring name = wideFromUtf16(entry.name);
    if (!isSafeRelativeName(name)) {
        return false;
    }
    // A fresh result per record: a file that gives no digest is never
    // compared with the digest of the file before it.
    const auto digest =
        HashInstalledFileMd5(platform, prompt, targetFolder + L"\\" + name, progress, stop);
    return digest && !digest->empty() &&
           platform.wideFromAnsi(*digest) == wideFromUtf16(entry.digest);
}

std::vector<std::wstring> reportNamePieces(const std::wstring& name) {
    const std::wstring line = name + L" ... ";
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at < line.size(); at += kMaxReportPiece) {
        pieces.push_back(line.substr(at, kMaxReportPiece));
    }
    return pieces;
}

std::wstring reportText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
            out += L'\r';
        }
        out += text[i];
    }
    return out;
}

JudgingEnd JudgeInstalledFiles(Platform& platform, const std::wstring& targetFolder,
                               CheckList& list, int jobs, JudgingReport& report) {
    // Declared before the pool, so that they outlive its threads.
    std::vector<Judgement> judgements(kSlotsPerJob * static_cast<size_t>(jobs < 1 ? 1 : jobs));
    OrderedJobs pool(jobs, judgements.size());
    const size_t count = list.count();
    size_t given = 0;
    bool listFailed = false;
    for (size_t i = 0; i < count; ++i) {
        // The records ahead go to the threads as slots come free.
        while (given < count && !listFailed && !pool.full()) {
            auto entry = list.next();
            if (!entry) {
                listFailed = true;
                break;
            }
            Judgement& judgement = judgements[pool.nextSlot()];
            judgement = Judgement{std::move(*entry), false, {}};
            pool.give([&platform, &targetFolder, &judgement](OrderedJobs::Job& job) {
                MessageKeeper keeper(judgement.messages);
                judgement.matches = InstalledFileMatches(
                    platform, keeper, targetFolder, judgement.entry,
                    [&job](int percent) { job.progress(percent); },
                    [&job] { return job.stopped(); });
            });
            ++given;
        }
        if (i == given) {
            return JudgingEnd::RecordNotRead;
        }
        report.begin(judgements[i % pool.slots()].entry);
        const auto slot = pool.collect([&report](int percent) { return report.progress(percent); });
        if (!slot) {
            return JudgingEnd::Stopped;
        }
        const Judgement& judgement = judgements[*slot];
        if (!report.judged(judgement.entry, judgement.matches, judgement.messages)) {
            return JudgingEnd::Stopped;
        }
    }
    return JudgingEnd::AllJudged;
}

namespace {

// The verification page's report: name, file progress, messages, then the
// line's end or the mismatch question.
class PageReport : public JudgingReport {
public:
    PageReport(UserPrompt& prompt, const FileVerificationTexts& texts, FileVerificationView& view,
               size_t count)
        : prompt_(prompt), texts_(texts), view_(view), count_(count) {}

    void begin(const CheckEntry& entry) override {
        for (const std::wstring& piece : reportNamePieces(wideFromUtf16(entry.name))) {
            view_.append(piece);
        }
    }
    bool progress(int percent) override {
        view_.showFileProgress(percent);
        return true;
    }
    bool judged(const CheckEntry& entry, bool matches, const KeptMessages& messages) override {
        for (const auto& [text, icon] : messages) {
            prompt_.showMessage(text, icon);
        }
        if (matches) {
            view_.append(kReportOk);
        } else if (!prompt_.askYesNo(
                       fillTextFormat(texts_.mismatchQuestion, wideFromUtf16(entry.name)),
                       MessageIcon::Question)) {
            end = VerificationEnd::StoppedAtMismatch;
            return false;
        } else {
            view_.append(kReportFailed);
        }
        if (view_.cancelRequested()) {
            end = VerificationEnd::Cancelled;
            return false;
        }
        ++done_;
        view_.showOverallProgress(
            static_cast<int>(static_cast<double>(done_) / static_cast<double>(count_) * 100.0));
        return true;
    }

    VerificationEnd end = VerificationEnd::Finished;

private:
    UserPrompt& prompt_;
    const FileVerificationTexts& texts_;
    FileVerificationView& view_;
    size_t count_;
    size_t done_ = 0;
};

}  // namespace

VerificationEnd VerifyInstalledFiles(Platform& platform, UserPrompt& prompt,
                                     const std::wstring& mediumFolder,
                                     const std::wstring& targetFolder,
                                     const FileVerificationTexts& texts, FileVerificationView& view,
                                     int jobs) {
    const std::wstring listPath = mediumFolder + L"\\check.md";
    auto list = CheckList::open(platform, listPath);
    if (!list) {
        prompt.showMessage(fillTextFormat(L"Failed to open file %s", listPath), MessageIcon::Stop);
        return VerificationEnd::ListNotOpened;
    }
    view.showOverallProgress(0);
    PageReport report(prompt, texts, view, list->count());
    switch (JudgeInstalledFiles(platform, targetFolder, *list, jobs, report)) {
        case JudgingEnd::AllJudged:
            break;
        case JudgingEnd::RecordNotRead:
            view.listDone();
            return VerificationEnd::RecordNotRead;
        case JudgingEnd::Stopped:
            if (report.end == VerificationEnd::StoppedAtMismatch) {
                view.listDone();
            }
            return report.end;
    }
    view.listDone();
    view.append(reportText(texts.reportEnd));
    prompt.showMessage(texts.doneMessage, MessageIcon::None);
    return VerificationEnd::Finished;
}
