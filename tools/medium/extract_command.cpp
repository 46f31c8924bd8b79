#include <deque>
#include <ostream>
#include <thread>

#include "common/text.h"
#include "common/uninstall_record.h"
#include "common/folder_chain.h"
#include "installer/engine/zip_file_package.h"
#include "tools/medium/commands.h"
#include "tools/medium/game_tree.h"
#include "tools/medium/inflate_pipeline.h"
#include "tools/medium/options.h"

namespace {

const char kExtractHelp[] =
    "usage: medium extract MEDIUM_DIR TARGET_DIR [--disc DIR]... [--jobs N]\n"
    "\n"
    "Unpacks the packages of MEDIUM_DIR into TARGET_DIR with the installer's package\n"
    "reader, creating folders and files as the installer does and recording each in\n"
    "TARGET_DIR\\uninstall.dat. When the next package is not in the folder at hand,\n"
    "the folders given with --disc are tried in order; after them the terminal is\n"
    "asked (without a terminal, the extraction stops).\n"
    "\n"
    "  --disc DIR   a folder to look for the next package in (repeatable)\n"
    "  --jobs N     chunks inflated at once (default: one per core); one writer keeps\n"
    "               the order, so files, records and messages are those of one job\n";

// The installer's unpack callbacks, with the terminal in place of its
// windows: folders and files are created and recorded as they come. With more
// than one job the chunks go through an InflatePipeline, which writes them
// with deliver().
class Extraction {
public:
    Extraction(Platform& platform, Console& console, UserPrompt& prompt, std::wstring target,
               std::deque<std::wstring> discs, uint64_t totalSize)
        : platform_(platform),
          console_(console),
          records_(platform, prompt),
          target_(std::move(target)),
          discs_(std::move(discs)),
          progress_(console, "extract", totalSize) {}

    bool start() {
        if (!CreateFolderChain(platform_, target_)) {
            console_.error(L"Failed to create folder: " + target_);
            return false;
        }
        return record(true, target_) &&
               record(false, joinPath(target_, UninstallRecord::kFileName));
    }

    void usePipeline(InflatePipeline* pipeline) { pipeline_ = pipeline; }

    static int create(void* context, int isFolder, uint32_t, const std::wstring& target,
                      const std::wstring& name) {
        auto& self = *static_cast<Extraction*>(context);
        const std::wstring path = target + L"\\" + name;
        if (isFolder) {
            return CreateFolderChain(self.platform_, path) && self.record(true, path) ? 1 : 0;
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
        return self.record(false, path) ? 1 : 0;
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
        if (length > 0 && file.write(data, length) != length) {
            progress_.clear();
            console_.error(path + L": write failed (disk full?)");
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
        const std::wstring name = L"data" + std::to_wstring(number) + L".pck";
        if (!discs_.empty()) {
            console_.note(name + L" is not in " + folder + L"; trying " + discs_.front());
            folder = discs_.front();
            discs_.pop_front();
            return 0;
        }
        if (!console_.interactive) {
            console_.error(name + L" is not in " + folder + L" (give its folder with --disc DIR)");
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
        switch (records_.AppendUninstallRecord(target_, isFolder, path)) {
            case AppendResult::Written:
                return true;
            case AppendResult::TooLong:
                progress_.clear();
                console_.error(path + L": too long for a record of uninstall.dat (" +
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
    UninstallRecord records_;
    std::wstring target_;
    std::deque<std::wstring> discs_;
    ProgressBar progress_;
    std::shared_ptr<File> file_;
    std::wstring filePath_;
    InflatePipeline* pipeline_ = nullptr;
    bool warned_ = false;
};

}  // namespace

int runExtract(const std::vector<std::string>& words, Platform& platform, Console& console) {
    CommandLine line(words, {"--disc", "--jobs"});
    if (auto status = answerHelpOrUsage(line, 2, "extract", kExtractHelp,
                                        L"extract needs MEDIUM_DIR and TARGET_DIR", console)) {
        return *status;
    }
    const auto jobs = jobsOption(line, "extract", console);
    if (!jobs) {
        return kExitUsage;
    }
    const std::wstring medium = wideFromUtf8(line.positional()[0]);
    std::wstring target = absolutePath(wideFromUtf8(line.positional()[1]));
    while (target.size() > 1 && (target.back() == L'/' || target.back() == L'\\')) {
        target.pop_back();
    }
    std::deque<std::wstring> discs;
    for (const auto& disc : line.values("--disc")) {
        discs.push_back(wideFromUtf8(disc));
    }

    TerminalPrompt prompt(console);
    CZipFilePackage reader(platform, prompt);
    reader.SetText(CZipFilePackage::kReadErrorQuestion, L"A package could not be read. Try again?");
    reader.SetText(CZipFilePackage::kDiskFullQuestion,
                   L"The target disk is nearly full. Look again?");
    if (!reader.Open(medium)) {
        return kExitFailed;
    }
    Extraction extraction(platform, console, prompt, target, std::move(discs),
                          reader.header().totalSize);
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
        InflatePipeline pipeline(
            *jobs, reader.freeSpaceRule(target), prompt,
            [&](File& file, const std::wstring& path, const uint8_t* data, size_t length) {
                return extraction.deliver(file, path, data, length);
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
