// Fuzz target for the check.md reader and the verification walk: the input
// is check.md. The installed game is three known files, with one more file
// beside the target folder. Each record must be reported OK exactly when it
// names one of the three with its true digest, no name may lead to a file
// outside the target folder being opened, and the report must hold one line
// per record read, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/formats.h"
#include "common/text.h"
#include "installer/engine/file_verification.h"
#include "tests/fuzz/memory_platform.h"

namespace {

const std::wstring kMedium = L"D:";
const std::wstring kTarget = L"C:\\Games\\Fuzz";
constexpr int kYeses = 3;  // mismatches gone past before the user says No

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7) & 0xFF);
    }
    return bytes;
}

// The installed files by name below the target, with their MD5 texts.
const std::map<std::u16string, std::pair<std::string, std::u16string>>& installed() {
    static const std::map<std::u16string, std::pair<std::string, std::u16string>> kFiles = {
        {u"a.txt", {"abc", u"900150983cd24fb0d6963f7d28e17f72"}},
        {u"data\\empty.bin", {"", u"d41d8cd98f00b204e9800998ecf8427e"}},
        {u"big.dat", {pattern(1500), u"fd2d34ef19be53d3c260b78e9ae8fb57"}},
    };
    return kFiles;
}

// A component that Windows reads as the parent folder: dots and blanks only,
// with at least two dots.
bool climbsOut(const std::wstring& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) {
            end = name.size();
        }
        const std::wstring part = name.substr(start, end - start);
        if (part.find_first_not_of(L". ") == std::wstring::npos &&
            std::count(part.begin(), part.end(), L'.') >= 2) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

class WatchedPlatform : public MemoryPlatform {
public:
    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share share) override {
        const std::wstring inside = kTarget + L"\\";
        if (path != kMedium + L"\\check.md" &&
            (path.compare(0, inside.size(), inside) != 0 || climbsOut(path.substr(inside.size())) ||
             path.find(L':', inside.size()) != std::wstring::npos)) {
            std::abort();  // a name led outside the target folder
        }
        return MemoryPlatform::open(path, mode, share);
    }
};

class AnsweringPrompt : public UserPrompt {
public:
    int questions = 0;
    int doneMessages = 0;
    void showMessage(const std::wstring& text, MessageIcon) override {
        doneMessages += text == L"done" ? 1 : 0;
    }
    bool askYesNo(const std::wstring&, MessageIcon) override { return ++questions <= kYeses; }
};

class RecordingView : public FileVerificationView {
public:
    std::wstring report;
    int lastPercent = 0;
    bool done = false;
    void append(const std::wstring& piece) override {
        if (piece.size() > kMaxReportPiece) {
            std::abort();
        }
        report += piece;
    }
    void showFileProgress(int percent) override {
        if (percent < 0 || percent > 100) {
            std::abort();
        }
    }
    void showOverallProgress(int percent) override {
        if (percent < lastPercent || percent > 100) {
            std::abort();
        }
        lastPercent = percent;
    }
    void listDone() override { done = true; }
    bool cancelRequested() const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WatchedPlatform platform;
    platform.files[kMedium + L"\\check.md"] =
        std::string(reinterpret_cast<const char*>(data), size);
    for (const auto& [name, file] : installed()) {
        platform.files[kTarget + L"\\" + wideFromUtf16(name)] = file.first;
    }
    platform.files[L"C:\\Games\\a.txt"] = "abc";  // beside the target: never to be opened

    // What the walk must show, worked out from the records alone.
    std::wstring expectedReport;
    VerificationEnd expectedEnd = VerificationEnd::Finished;
    int mismatches = 0;
    for (size_t at = 0; at + kCheckEntrySize <= size; at += kCheckEntrySize) {
        const CheckEntry entry = CheckEntry::parse(data + at);
        const auto file = installed().find(entry.name);
        const bool ok = file != installed().end() && file->second.second == entry.digest;
        expectedReport += wideFromUtf16(entry.name) + L" ... ";
        if (!ok && ++mismatches > kYeses) {
            expectedEnd = VerificationEnd::StoppedAtMismatch;
            break;
        }
        expectedReport += ok ? kReportOk : kReportFailed;
    }
    if (expectedEnd == VerificationEnd::Finished) {
        expectedReport += L"end\r\n";
    }

    AnsweringPrompt prompt;
    RecordingView view;
    const FileVerificationTexts texts{L"%s differs", L"end\n", L"done"};
    const VerificationEnd end =
        VerifyInstalledFiles(platform, prompt, kMedium, kTarget, texts, view);
    const bool finished = end == VerificationEnd::Finished;
    if (end != expectedEnd || view.report != expectedReport || !view.done ||
        prompt.doneMessages != (finished ? 1 : 0) ||
        (finished && size >= kCheckEntrySize && view.lastPercent != 100)) {
        std::abort();
    }
    return 0;
}
