#include <ostream>
#include <thread>

#include "common/text.h"
#include "common/uninstall_record.h"
#include "common/folder_chain.h"
#include "installer/engine/zip_file_package.h"
#include "tools/medium/commands.h"
#include "tools/medium/disc_set.h"
#include "tools/medium/host_path.h"
#include "installer/engine/inflate_pipeline.h"
#include "tools/medium/options.h"

namespace {

const char kExtractHelp[] =
    "usage: medium extract MEDIUM_DIR TARGET_DIR [--disc DIR]... [--jobs N]\n"
    "\n"
    "Unpacks the packages of MEDIUM_DIR into TARGET_DIR with the installer's package\n"
    "reader, creating folders and files as the installer does and recording each in\n"
    "uninstall.dat in TARGET_DIR. When the next package is not in the folder at hand,\n"
    "it is looked for in MEDIUM_DIR and the folders given with --disc, in order;\n"
    "when none holds it the terminal is asked (without a terminal, the extraction\n"
    "stops).\n"
    "\n"
    "  --disc DIR   the folder of a further disc (repeatable)\n"
    "  --jobs N     chunks inflated and written at once (default: one per core); the\n"
    "               files, records and messages are those of one job\n";

// The installer's unpack callbacks, with the terminal in place of its
// windows: folders and files are created and recorded as they come. With more
// than one job the chunks go through an InflatePipeline, whose workers write
// them; it reports each with report().
class Extraction {
public:
    Extraction(Platform& platform, Console& console, std::wstring target, const DiscSet& discs,
               uint64_t totalSize)
        : platform_(platform),
          console_(console),
          records_(platform, target),
          target_(std::move(target)),
          discs_(discs),
          progress_(console, "extract", totalSize) {}

    bool start() {
        if (!CreateFolderChain(platform_, target_)) {
            console_.error(L"Failed to create folder: " + target_);
            return false;
        }
        // Recorded as the installer records it, joined with a backslash.
        return record(true, target_) && record(false, target_ + L"\\" + UninstallRecord::kFileName);
    }

    void usePipeline(InflatePipeline* pipeline) { pipeline_ = pipeline; }

    static int create(void* context, int isFolder, uint32_t, const std::wstring& target,
                      const std::wstring& name) {
        auto& self = *static_cast<Extraction*>(context);
        const std::wstring path = target + L"\\" + name;
        // Each record goes to the system before what it records is made, as
        // the installer's do; a name too long for a record is not made.
        if (isFolder) {
            return self.record(true, path) && CreateFolderChain(self.platform_, path) ? 1 : 0;
        }
        if (!self.record(false, path)) {
            return 0;
        }
        // An existing file is truncated; missing parents are not created. The
        // reader calls this only when every chunk before is written, so a
        // name met twice ends as the installer leaves it.
        self.file_ =
            std::shared_ptr<File>(self.platform_.open(path, OpenMode::Write, Share::DenyWrite));
        if (!self.file_) {
            return 0;
        }
        self.filePath_ = path;
        if (self.pipeline_ != nullptr) {
            self.pipeline_->setFile(self.file_, path);
        }
        return 1;
    }

    static int write(void* context, const uint8_t* data, size_t length) {
        auto& self = *static_cast<Extraction*>(context);
        return self.file_ && self.deliver(*self.file_, self.filePath_, data, length) ? 1 : 0;
    }

    static int end(void* context) {
        auto& self = *static_cast<Extraction*>(context);
        self.file_.reset();
        if (self.pipeline_ != nullptr) {
            self.pipeline_->setFile(nullptr, L"");
        }
        return 1;
    }

    bool deliver(File& file, const std::wstring& path, const uint8_t* data, size_t length) {
        return report(path, length, length == 0 || file.write(data, length) == length);
    }

    bool report(const std::wstring& path, size_t length, bool written) {
        if (!written) {
            progress_.clear();
            console_.error(withHostSeparators(path) + L": write failed (disk full?)");
            return false;
        }
        progress_.advance(length);
        return true;
    }

    int nextDisc(std::wstring& folder, int number) {
        if (number == -1) {
            return 2;
        }
        progress_.clear();
        const std::wstring name = packageFileName(number);
        if (auto next = discs_.nextFolderFor(platform_, number, folder)) {
            console_.note(name + L" is not in " + folder + L"; taking it from " + *next);
            folder = *next;
            return 0;
        }
        if (!console_.interactive) {
            const std::wstring there = packageFilePath(folder, number);
            console_.error(platform_.fileExists(there) ? there + L": cannot be read"
                                                       : discs_.missingPackageText(number));
            return 1;
        }
        console_.err << utf8FromWide(name + L" is not in " + folder) +
                            ". Folder that holds it (Enter: look again, q: give up): "
                     << std::flush;
        std::string answer;
        if (!console_.readLine(answer) || answer == "q" || answer == "Q") {
            return 1;
        }
        if (!answer.empty()) {
            folder = wideFromUtf8(answer);
        }
        return 0;
    }

    void finish() { progress_.clear(); }

private:
    bool record(bool isFolder, const std::wstring& path) {
        switch (records_.append(isFolder, path)) {
            case AppendResult::Written:
                return true;
            case AppendResult::TooLong:
                progress_.clear();
                console_.error(withHostSeparators(path) +
                               L": too long for a record of uninstall.dat (" +
                               std::to_wstring(kMaxUninstallTextUnits) + L" units with its type)");
                return false;
            case AppendResult::NotOpened:
            case AppendResult::NotWritten:
                // As in the installer, a record that cannot be written is lost
                // and the unpack goes on; the user hears of it here.
                if (!warned_) {
                    progress_.clear();
                    console_.error(joinPath(target_, UninstallRecord::kFileName) +
                                   L": a record could not be written");
                    warned_ = true;
                }
                return true;
        }
        return false;
    }

    Platform& platform_;
    Console& console_;
    UninstallRecordAppender records_;  // open for the whole run
    std::wstring target_;
    const DiscSet& discs_;
    ProgressBar progress_;
    std::shared_ptr<File> file_;
    std::wstring filePath_;
    InflatePipeline* pipeline_ = nullptr;
    bool warned_ = false;
};

}  // namespace

int runExtract(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {kDiscOption, "--jobs"});
    if (auto status = answerHelpOrUsage(line, 2, "extract", kExtractHelp,
                                        L"extract needs MEDIUM_DIR and TARGET_DIR", console)) {
        return *status;
    }
    const auto jobs = jobsOption(line, "extract", console);
    if (!jobs) {
        return kExitUsage;
    }
    std::wstring target = absolutePath(wideFromUtf8(line.positional()[1]));
    while (target.size() > 1 && (target.back() == L'/' || target.back() == L'\\')) {
        target.pop_back();
    }
    const DiscSet discs = DiscSet::fromCommandLine(line);

    TerminalPrompt prompt(console);
    CZipFilePackage reader(platform, prompt);
    reader.SetText(CZipFilePackage::kReadErrorQuestion, L"A package could not be read. Try again?");
    reader.SetText(CZipFilePackage::kDiskFullQuestion,
                   L"The target disk is nearly full. Look again?");
    if (!reader.Open(discs.medium())) {
        return kExitFailed;
    }
    Extraction extraction(platform, console, target, discs, reader.header().totalSize);
    if (!extraction.start()) {
        return kExitFailed;
    }
    auto nextDisc = [&](std::wstring& folder, int number) {
        return extraction.nextDisc(folder, number);
    };
    int result = CZipFilePackage::kStopped;
    if (*jobs == 1) {
        result = reader.UnCompress(&extraction, target, Extraction::create, Extraction::end,
                                   Extraction::write, nextDisc);
    } else {
        InflatePipeline pipeline(*jobs, reader.freeSpaceRule(target), prompt,
                                 [&](const std::wstring& path, size_t length, bool written) {
                                     return extraction.report(path, length, written);
                                 });
        extraction.usePipeline(&pipeline);
        result = reader.UnCompressPacked(&extraction, target, Extraction::create, Extraction::end,
                                         pipeline, nextDisc);
        extraction.usePipeline(nullptr);
    }
    extraction.finish();
    reader.Close();
    if (result != CZipFilePackage::kDone) {
        console.error(L"extraction stopped; what was unpacked is listed in " +
                      joinPath(target, UninstallRecord::kFileName));
        return kExitFailed;
    }
    console.out << reader.header().entryCount << " entries, " << reader.header().totalSize
                << " bytes unpacked into " << utf8FromWide(target) << "\n";
    return kExitOk;
}
