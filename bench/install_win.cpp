// Drives the installer on a medium as a person would (agree, type the
// target, Next, skip the package check) and prints how long the install took
// from Next on the path page until the install page has gone and the program
// group is recorded. The medium carries the sample's install.ini, so the
// windows are found by the sample's texts.
//   install_bench.exe MEDIUM TARGET
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/ui_driver_win.h"

namespace {

// The sample medium's texts (samples/install.ini).
const wchar_t kAgreementTitle[] = L"End-User Licence Agreement";  // str23
const wchar_t kPathTitle[] = L"Choose Install Folder";            // str0
const wchar_t kConfirmTitle[] = L"Check Packages";                // str52
const wchar_t kProgressTitle[] = L"Installing Varnholt";          // str31
constexpr int kAgreeId = 1009;
constexpr int kPathBoxId = 1001;
constexpr DWORD kInstallTimeout = 30 * 60 * 1000;

int fail(const char* what) {
    std::fprintf(stderr, "install_bench: %s\n", what);
    return 1;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return fail("usage: install_bench.exe MEDIUM TARGET");
    }
    const std::wstring medium = argv[1];
    const std::wstring target = argv[2];
    auto process = ui::Process::start(medium + L"\\install.exe", medium, medium);
    if (!process) {
        return fail("install.exe did not start");
    }
    const auto find = [&](const wchar_t* title) {
        return ui::Window::find({title, false, L"#32770", process->id()});
    };
    auto agreement = find(kAgreementTitle);
    if (!agreement) {
        return fail("no agreement page");
    }
    // The sample's agreement must be read to its end first.
    ui::Window box(agreement->control(1002).handle());
    if (!ui::waitUntil([&] {
            return box.sendMessage(WM_VSCROLL, SB_PAGEDOWN, 0).has_value() &&
                   agreement->control(kAgreeId).isEnabled();
        }) ||
        !agreement->control(kAgreeId).click()) {
        return fail("agree stayed disabled");
    }
    auto path = find(kPathTitle);
    if (!path || !path->waitIdle()) {
        return fail("no path page");
    }
    SetWindowTextW(path->control(kPathBoxId).handle(), target.c_str());

    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!path->control(IDOK).click()) {
        return fail("Next could not be pressed");
    }
    auto confirm = find(kConfirmTitle);
    if (!confirm || !confirm->control(IDCANCEL).click()) {
        return fail("no package check question");
    }
    auto progress = ui::Window::find({kProgressTitle, false, L"#32770", process->id()}, 5000);
    LARGE_INTEGER shown;
    QueryPerformanceCounter(&shown);
    const bool ended = ui::waitUntil(
        [&] {
            return (!progress || !progress->isVisible()) &&
                   fileExists(target + L"\\uninstall.dat") &&
                   !ui::Window::list({kProgressTitle, false, L"#32770", process->id()}).size();
        },
        kInstallTimeout);
    QueryPerformanceCounter(&end);
    process->terminate();
    if (!ended) {
        return fail("the install did not end");
    }
    const auto seconds = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
        return static_cast<double>(to.QuadPart - from.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };
    // The pages before the install page, then the whole time on the last line.
    std::printf("pages %.3f\n%.3f\n", seconds(start, shown), seconds(start, end));
    return 0;
}
