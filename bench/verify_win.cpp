// The package check and the installed-file verification as the installer's
// workers run them, timed under Wine:
//   verify_bench.exe MEDIUM TARGET
// prints "packages SECONDS" and "files SECONDS" (the best of three runs each,
// the files already read once). Any mismatch or message fails the run.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "common/win/win32_platform_win.h"
#include "installer/engine/file_hash.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/package_check.h"

namespace {

constexpr int kRuns = 3;

// Counts what would have been shown; every question is answered Yes.
class CountingPrompt : public UserPrompt {
public:
    void showMessage(const std::wstring&, MessageIcon) override { ++shown; }
    bool askYesNo(const std::wstring&, MessageIcon) override {
        ++shown;
        return true;
    }
    int shown = 0;
};

class SilentPackageView : public PackageCheckView {
public:
    void beginPackage(const std::wstring&) override {}
    void showProgress(int) override {}
    int nextDisc(std::wstring&, int) override { return 1; }
};

class CountingFileView : public FileVerificationView {
public:
    void append(const std::wstring& piece) override { failed = failed || piece == kReportFailed; }
    void showFileProgress(int) override {}
    void showOverallProgress(int) override {}
    void listDone() override {}
    bool cancelRequested() const override { return false; }
    bool failed = false;
};

template <typename Work>
double best(Work work) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double fastest = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        if (!work()) {
            return -1;
        }
        QueryPerformanceCounter(&end);
        fastest = std::min(fastest, static_cast<double>(end.QuadPart - start.QuadPart) /
                                        static_cast<double>(frequency.QuadPart));
    }
    return fastest;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: verify_bench.exe MEDIUM TARGET\n");
        return 2;
    }
    const std::wstring medium = argv[1];
    const std::wstring target = argv[2];
    Win32Platform platform;
    CountingPrompt prompt;

    // The expected digests, read once untimed; this also brings the packages
    // into the cache, as the files of the install are.
    std::vector<std::wstring> digests;
    for (int number = 1;; ++number) {
        const std::wstring path = medium + L"\\data" + std::to_wstring(number) + L".pck";
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            break;
        }
        const auto digest = HashFileMd5(platform, prompt, path);
        if (!digest) {
            return 1;
        }
        digests.emplace_back(digest->begin(), digest->end());
    }
    const std::atomic<bool> stop{false};
    SilentPackageView packageView;
    const double packages = best([&] {
        return CheckPackages(platform, prompt, medium, digests, {L"Package %d", L"Package %d"},
                             packageView, stop) == PackageCheckResult::Passed;
    });
    CountingFileView fileView;
    const double files = best([&] {
        return VerifyInstalledFiles(platform, prompt, medium, target, {L"%s?", L"end", L"done"},
                                    fileView) == VerificationEnd::Finished &&
               !fileView.failed;
    });
    if (packages < 0 || files < 0 || prompt.shown > kRuns) {
        std::fprintf(stderr, "verify_bench: a check failed\n");
        return 1;
    }
    std::printf("packages %.3f\nfiles %.3f\n", packages, files);
    return 0;
}
