#include "installer/ui/install_progress_dialog_win.h"

#include <commctrl.h>

#include <algorithm>

#include "common/text.h"
#include "common/win/text_fit_win.h"
#include "common/win/window_dpi_win.h"
#include "common/win/win32_platform_win.h"
#include "installer/ui/screen_placement.h"

namespace {

constexpr int kFileBarSteps = 5000;

}  // namespace

InstallProgressDialog::InstallProgressDialog(WizardFrame& mainWindow)
    : WizardPage(kLayout, mainWindow),
      nextDisc_(mainWindow.installRun().config()),
      undo_(mainWindow) {
    handle(WM_INSTALL_END, [this](WPARAM, LPARAM, LRESULT& result) {
        onInstallEnd();
        result = 0;
        return true;
    });
    handle(WM_CHUNK_WRITTEN, [this](WPARAM last, LPARAM, LRESULT& result) {
        if (last != FALSE) {
            KillTimer(hwnd(), kRepaintTimer);
            showProgress();
        } else {
            showProgressSoon();
        }
        result = 0;
        return true;
    });
    handle(WM_TIMER, [this](WPARAM id, LPARAM, LRESULT& result) {
        if (id != kRepaintTimer) {
            return false;
        }
        KillTimer(hwnd(), kRepaintTimer);
        showProgress();
        result = 0;
        return true;
    });
    handle(kShowMessage, [this](WPARAM visible, LPARAM, LRESULT& result) {
        show(visible != FALSE);
        result = 0;
        return true;
    });
}

InstallProgressDialog::~InstallProgressDialog() {
    // Only when the installer ends during the install: the worker stops at its
    // next callback, and a waiting next-disc prompt gives up.
    ending_ = true;
    if (engine_) {
        engine_->requestCancel();
    }
    worker_.join();
}

bool InstallProgressDialog::onInit() {
    const InstallRun& run = mainWindow().installRun();
    setTitle(run.text(31));
    setItemText(kFileLabel, run.text(14));
    setItemText(kOverallLabel, run.text(15));
    setItemText(kCancelButton, run.text(16));
    placeValues();
    percentFormat_ = run.text(10);
    nextDisc_.create(nullptr);
    undo_.create(hwnd());
    return true;
}

void InstallProgressDialog::placeValues() {
    placeAfterCaption(hwnd(), kFileLabel, kFileName);
    placeAfterCaption(hwnd(), kOverallLabel, kOverallPercent);
}

void InstallProgressDialog::onDpiChanged() {
    placeValues();
}

void InstallProgressDialog::start() {
    RECT parent{};
    RECT own{};
    GetWindowRect(GetParent(hwnd()) != nullptr ? GetParent(hwnd()) : mainWindow().frameWindow(),
                  &parent);
    GetWindowRect(hwnd(), &own);
    RECT screen{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0) == FALSE) {
        screen = parent;
    }
    RECT visible{};
    if (IntersectRect(&visible, &parent, &screen) == FALSE) {
        visible = parent;
    }
    const WindowOrigin origin =
        bottomRightIn(visible.left, visible.top, visible.right, visible.bottom,
                      own.right - own.left, own.bottom - own.top, windowDpi(hwnd()));
    SetWindowPos(hwnd(), nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETSTEP, 1, 0);
    // The current-file bar counts folders in steps of 5000 until the first
    // file gives it its range of 100.
    SendDlgItemMessageW(hwnd(), kFileBar, PBM_SETRANGE32, 0, kFileBarSteps);
    SendDlgItemMessageW(hwnd(), kFileBar, PBM_SETSTEP, 1, 0);
    fileBarRange_ = shownFileBarRange_ = kFileBarSteps;
    InstallRun& run = mainWindow().installRun();
    progress_ = InstallProgress(run.packageReader.header().totalSize);
    engine_ = &mainWindow().host().makeInstallEngine();
    if (!worker_.start(&InstallProgressDialog::InstallWorker, this)) {
        run.installFailed = true;
        onInstallEnd();
    }
}

DWORD WINAPI InstallProgressDialog::InstallWorker(void* self) {
    static_cast<InstallProgressDialog*>(self)->install();
    return 0;
}

void InstallProgressDialog::install() {
    SendMessageW(hwnd(), kShowMessage, TRUE, 0);
    InstallRun& run = mainWindow().installRun();
    const auto started = std::chrono::steady_clock::now();
    if (!engine_->install(*this)) {
        run.installFailed = true;
    }
    run.log().write(unpackTimeLine(run.packageReader.header().totalSize,
                                   std::chrono::steady_clock::now() - started));
    // The last progress is shown before the end is reported.
    SendMessageW(hwnd(), WM_CHUNK_WRITTEN, TRUE, 0);
    SendMessageW(hwnd(), kShowMessage, FALSE, 0);
    SendMessageW(hwnd(), WM_INSTALL_END, 1, 0);
}

void InstallProgressDialog::folderCreated(const std::wstring&) {
    if (counters_.folderCreated()) {
        PostMessageW(hwnd(), WM_CHUNK_WRITTEN, 0, 0);
    }
}

void InstallProgressDialog::fileBegun(const std::wstring& name, uint32_t chunkCount) {
    if (counters_.beginFile(name, chunkCount)) {
        PostMessageW(hwnd(), WM_CHUNK_WRITTEN, 0, 0);
    }
}

void InstallProgressDialog::chunkWritten(uint64_t bytes) {
    if (counters_.chunkWritten(bytes)) {
        PostMessageW(hwnd(), WM_CHUNK_WRITTEN, 0, 0);
    }
}

void InstallProgressDialog::fileEnded() {}

int InstallProgressDialog::nextDisc(std::wstring& mediumFolder, int number) {
    // The installer's end gives up a waiting prompt.
    if (ending_ && number != NextDiscExchange::kDismiss) {
        return NextDiscExchange::kGiveUp;
    }
    return nextDisc_.NextDiscPoll(mediumFolder, number);
}

void InstallProgressDialog::showFileBegun(const ProgressCounters::FileStart& file) {
    fileText_ = fillTextFormat(mainWindow().installRun().text(9), file.name);
    progress_.beginFile(file.chunkCount);
    fileBarRange_ = 100;
    fileBarPosition_ = 0;
}

void InstallProgressDialog::showFoldersCreated(uint32_t count) {
    if (count == 0) {
        return;
    }
    fileText_ = mainWindow().installRun().text(34);
    fileBarPosition_ = static_cast<int>(
        std::min<int64_t>(int64_t{fileBarPosition_} + count, int64_t{fileBarRange_}));
}

void InstallProgressDialog::showProgressSoon() {
    // At most one repaint per interval: under Wine each one is drawn at once,
    // and on a machine with few cores the drawing takes time from the unpack.
    // The counters add up, so a later look misses nothing.
    const DWORD now = GetTickCount();
    if (now - lastShown_ >= kRepaintIntervalMs) {
        showProgress();
        return;
    }
    SetTimer(hwnd(), kRepaintTimer, kRepaintIntervalMs - (now - lastShown_), nullptr);
}

void InstallProgressDialog::showProgress() {
    lastShown_ = GetTickCount();
    const ProgressCounters::Sample sample = counters_.take();
    // What came last names the step.
    if (sample.folderLast) {
        if (sample.fileBegun) {
            showFileBegun(*sample.fileBegun);
        }
        showFoldersCreated(sample.foldersCreated);
    } else {
        showFoldersCreated(sample.foldersCreated);
        if (sample.fileBegun) {
            showFileBegun(*sample.fileBegun);
        }
    }
    const ProgressPercentages percent = progress_.at(sample.bytesDone, sample.fileChunksDone);
    if (sample.fileChunksDone > 0) {
        fileBarPosition_ = percent.file;
    }
    if (fileText_ != shownFileText_) {
        setItemText(kFileName, fileText_);
        shownFileText_ = fileText_;
    }
    // A bar repaints on every position it is given, even its own.
    const HWND fileBar = item(kFileBar);
    if (fileBarRange_ != shownFileBarRange_) {
        SendMessageW(fileBar, PBM_SETRANGE32, 0, fileBarRange_);
        shownFileBarRange_ = fileBarRange_;
    }
    if (fileBarPosition_ != shownFileBarPosition_) {
        SendMessageW(fileBar, PBM_SETPOS, fileBarPosition_, 0);
        shownFileBarPosition_ = fileBarPosition_;
    }
    if (percent.overall != shownOverall_) {
        SendDlgItemMessageW(hwnd(), kOverallBar, PBM_SETPOS, percent.overall, 0);
        shownOverall_ = percent.overall;
        mainWindow().postProgress(percent.overall);
    }
    if (auto shown = progress_.newOverallPercentage(percent.overall)) {
        const std::wstring text = fillIntegerFormat(percentFormat_, *shown);
        setItemText(kOverallPercent, text);
        if (text.size() > fittedPercentLength_) {
            fittedPercentLength_ = text.size();
            fitControlText(hwnd(), kOverallPercent);
        }
    }
}

void InstallProgressDialog::onInstallEnd() {
    installEnded_ = true;
    if (!mainWindow().installRun().installFailed) {
        // The finish page comes at the wizard's next tick, which may fall
        // while a message about the program group waits for its answer.
        mainWindow().wizardStep().move(kInstallStep, 1);
    }
    if (!mainWindow().host().unpackEnded(hwnd())) {
        undo_.Prepare(engine_);
        undo_.show(true);
        undo_.StartUndo();
    }
}

bool InstallProgressDialog::onCommand(int id, int code) {
    if (id != kCancelButton || code != BN_CLICKED) {
        return false;
    }
    askCancel();
    return true;
}

void InstallProgressDialog::onCancel() {
    if (IsWindowVisible(hwnd()) && IsWindowEnabled(item(kCancelButton))) {
        askCancel();
    }
}

void InstallProgressDialog::askCancel() {
    InstallRun& run = mainWindow().installRun();
    // The install may have ended while the question was open; a Yes then
    // must not mark a finished install as failed.
    if (MessageBoxPrompt(kInstallerTitle, hwnd()).askYesNo(run.text(38), MessageIcon::Question) &&
        !installEnded_) {
        run.installFailed = true;
        if (engine_) {
            engine_->requestCancel();
        }
    }
}
