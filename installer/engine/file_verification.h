// The verification of the installed files against check.md on the medium:
// the walk of its 648-byte records, one report line per file, the question on
// a mismatch and the end of the report. Shared by the installer's
// verification page and the medium tool.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/formats.h"
#include "common/platform.h"
#include "installer/engine/file_hash.h"

// check.md, read record by record; a trailing part shorter than a record is
// not one.
class CheckList {
public:
    // Nothing when the file cannot be opened.
    static std::optional<CheckList> open(Platform& platform, const std::wstring& path);

    size_t count() const { return count_; }
    // The next record; nothing when it cannot be read whole.
    std::optional<CheckEntry> next();

private:
    CheckList(std::unique_ptr<File> file, size_t count) : file_(std::move(file)), count_(count) {}

    std::unique_ptr<File> file_;
    size_t count_;
};

// Whether the installed file of a record has the record's digest. A name that
// would leave the target folder fails without being opened; a file that
// cannot be opened or read fails; an empty digest text matches nothing.
bool InstalledFileMatches(Platform& platform, UserPrompt& prompt, const std::wstring& targetFolder,
                          const CheckEntry& entry, const HashProgress& progress = {},
                          const HashStop& stop = {});

// Messages kept to be shown later, in order.
using KeptMessages = std::vector<std::pair<std::wstring, MessageIcon>>;

// Keeps what hashing a file shows, to be shown when the file's turn comes.
// Hashing asks nothing; a question would be answered No.
class MessageKeeper : public UserPrompt {
public:
    explicit MessageKeeper(KeptMessages& messages) : messages_(messages) {}
    void showMessage(const std::wstring& text, MessageIcon icon) override {
        messages_.emplace_back(text, icon);
    }
    bool askYesNo(const std::wstring& text, MessageIcon icon) override {
        showMessage(text, icon);
        return false;
    }

private:
    KeptMessages& messages_;
};

// What the judging of check.md's files tells its caller, on the caller's
// thread and in record order, as if the files were hashed one after another.
class JudgingReport {
public:
    virtual ~JudgingReport() = default;
    // The record is the next to be judged.
    virtual void begin(const CheckEntry& entry) = 0;
    // Progress of its file (0 to 100); false stops the judging.
    virtual bool progress(int percent) = 0;
    // Its file's outcome, after the messages hashing it showed; false stops
    // the judging.
    virtual bool judged(const CheckEntry& entry, bool matches, const KeptMessages& messages) = 0;
};

enum class JudgingEnd {
    AllJudged,
    RecordNotRead,  // the report ends before the record that could not be read
    Stopped,        // the report said stop
};

// Judges every record of `list` against the files in targetFolder, hashing up
// to `jobs` files side by side with a fixed number of buffers, each file
// opened once. A stop ends the files in flight within a block.
JudgingEnd JudgeInstalledFiles(Platform& platform, const std::wstring& targetFolder,
                               CheckList& list, int jobs, JudgingReport& report);

// The report's pieces. A line is "name ... " and then "OK!" or "FAILED!" with
// a line end the edit box shows as one.
constexpr size_t kMaxReportPiece = 127;
inline constexpr wchar_t kReportOk[] = L"OK!\r\n";
inline constexpr wchar_t kReportFailed[] = L"FAILED!\r\n";
// "name ... " in pieces of at most kMaxReportPiece characters, so that a long
// name is shown whole.
std::vector<std::wstring> reportNamePieces(const std::wstring& name);
// Lines of "\n" alone become "\r\n", as the edit box needs.
std::wstring reportText(const std::wstring& text);

// What the verification shows while it runs; the page passes each call on to
// its window from the verification's worker thread.
class FileVerificationView {
public:
    virtual ~FileVerificationView() = default;
    virtual void append(const std::wstring& piece) = 0;
    virtual void showFileProgress(int percent) = 0;
    virtual void showOverallProgress(int percent) = 0;
    // The list will not be read any further.
    virtual void listDone() = 0;
    // The user confirmed a cancel; looked at after each file.
    virtual bool cancelRequested() const = 0;
};

struct FileVerificationTexts {
    std::wstring mismatchQuestion;  // one text placeholder: the file's name
    std::wstring reportEnd;         // appended after the last record
    std::wstring doneMessage;       // shown when every record is done
};

enum class VerificationEnd {
    Finished,           // every record processed, the end shown
    ListNotOpened,      // check.md could not be opened
    Cancelled,          // the user confirmed a cancel
    StoppedAtMismatch,  // the user answered No to a mismatch
    RecordNotRead,      // a record could not be read
};

// Hashes up to one file per processor at a time (`jobs`, when given); the
// report and the messages are those of one file after another.
VerificationEnd VerifyInstalledFiles(Platform& platform, UserPrompt& prompt,
                                     const std::wstring& mediumFolder,
                                     const std::wstring& targetFolder,
                                     const FileVerificationTexts& texts, FileVerificationView& view,
                                     int jobs = processorCount());
