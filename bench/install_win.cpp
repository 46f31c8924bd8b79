// Drives the installer on a medium as a person would (agree, type the
// target, Next, skip the package check) and prints two times: the unpack
// alone, from the worker's start to its end as the installer's log gives it,
// and the whole stretch from Next on the path page until the finish page
// shows (everything after the unpack done). The medium carries the sample's
// install.ini, so the windows are found by the sample's texts.
//   install_bench.exe MEDIUM TARGET LOG
// What an earlier run left in TARGET is removed right before Next, so that
// the unpack writes into memory freed a moment before, as `medium extract`
// does in bench/install.sh. A last line, "stolen N", gives the ticks that the
// host of a virtual machine took from its CPUs meanwhile (bench/timing.sh).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace {

// The sample medium's texts (samples/install.ini).
const wchar_t kAgreementTitle[] = L"End-User Licence Agreement";  // str23
const wchar_t kPathTitle[] = L"Choose Install Folder";            // str0
const wchar_t kConfirmTitle[] = L"Check Packages";                // str52
const wchar_t kProgressTitle[] = L"Installing Varnholt";          // str31
const wchar_t kFinishTitle[] = L"Installation Complete";          // str30
constexpr int kAgreeId = 1009;
constexpr int kPathBoxId = 1001;
constexpr DWORD kInstallTimeout = 30 * 60 * 1000;

int fail(const char* what) {
    std::fprintf(stderr, "install_bench: %s\n", what);
    return 1;
}

// The seconds of the log's line "Unpack: N bytes in S s"; negative when
// there is none.
double unpackSeconds(const std::wstring& log) {
    FILE* file = _wfopen(log.c_str(), L"rb");
    if (file == nullptr) {
        return -1;
    }
    char line[512];
    double seconds = -1;
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        unsigned long long bytes = 0;
        double value = 0;
        if (std::sscanf(line, "Unpack: %llu bytes in %lf s", &bytes, &value) == 2) {
            seconds = value;
        }
    }
    std::fclose(file);
    return seconds;
}

// The host's ticks as Linux counts them ("steal" in /proc/stat, which Wine
// shows on drive Z:); 0 where there is no such count.
long long hostStolenTicks() {
    FILE* file = _wfopen(L"Z:\\proc\\stat", L"rb");
    if (file == nullptr) {
        return 0;
    }
    long long fields[8] = {};
    const int read =
        std::fscanf(file, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &fields[0], &fields[1],
                    &fields[2], &fields[3], &fields[4], &fields[5], &fields[6], &fields[7]);
    std::fclose(file);
    return read == 8 ? fields[7] : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return fail("usage: install_bench.exe MEDIUM TARGET LOG");
    }
    const std::wstring medium = argv[1];
    const std::wstring target = argv[2];
    const std::wstring log = argv[3];
    DeleteFileW(log.c_str());
    auto process =
        ui::Process::start(medium + L"\\install.exe", medium + L" \"/LOG=" + log + L"\"", medium);
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
    // The pages exist, hidden, from the start: found now, each is then
    // watched with one cheap call, so that the driver takes next to nothing
    // from the machine while the installer works.
    const auto page = [&](const wchar_t* title) {
        return ui::Window::find({title, false, L"#32770", process->id(), true});
    };
    const auto confirm = page(kConfirmTitle);
    const auto progress = page(kProgressTitle);
    const auto finish = page(kFinishTitle);
    if (!confirm || !progress || !finish) {
        return fail("the installer's pages were not found");
    }
    SetWindowTextW(path->control(kPathBoxId).handle(), target.c_str());
    if (!e2e::removeTree(target)) {
        return fail("the earlier run's folder could not be removed");
    }

    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER shown;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    const long long stolenBefore = hostStolenTicks();
    QueryPerformanceCounter(&start);
    if (!path->control(IDOK).click()) {
        return fail("Next could not be pressed");
    }
    if (!ui::waitUntil([&] { return confirm->isVisible(); }) ||
        !confirm->control(IDCANCEL).click()) {
        return fail("no package check question");
    }
    const bool began = ui::waitUntil([&] { return progress->isVisible(); }, 5000);
    QueryPerformanceCounter(&shown);
    const bool ended = began && ui::waitUntil([&] { return finish->isVisible(); }, kInstallTimeout);
    QueryPerformanceCounter(&end);
    const long long stolen = hostStolenTicks() - stolenBefore;
    process->terminate();
    if (!ended) {
        return fail("the install did not end on the finish page");
    }
    const double unpack = unpackSeconds(log);
    if (unpack < 0) {
        return fail("the log holds no unpack time");
    }
    const auto seconds = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
        return static_cast<double>(to.QuadPart - from.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };
    // The pages before the install page, the unpack alone, then the whole
    // time from Next to the finish page.
    std::printf("pages %.3f\nunpack %.3f\nnext-to-end %.3f\nstolen %lld\n", seconds(start, shown),
                unpack, seconds(start, end), stolen);
    return 0;
}
