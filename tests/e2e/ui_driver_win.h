// Drives the programs under test from another process, as a person would:
// starts them, finds their windows, reads and clicks controls, answers message
// boxes, sends keys and takes screenshots. Every wait polls a condition until
// a time-out; nothing sleeps for a fixed time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/win/handles_win.h"

namespace ui {

// Long enough for a first start of a program under Wine, short enough that a
// hanging scenario fails in reasonable time.
constexpr DWORD kDefaultTimeout = 15000;

// Polls `condition` until it holds or `timeoutMs` have passed; answers whether
// it held. The condition is always looked at once more after the time-out.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs = kDefaultTimeout) {
    const DWORD started = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - started >= timeoutMs) {
            return condition();
        }
        Sleep(10);
    }
}

// Which top-level windows to look for. Empty fields match everything.
struct WindowQuery {
    std::wstring title;
    bool titlePart = false;  // title is a part of the window's title
    std::wstring className;
    DWORD processId = 0;     // 0: any process
    bool hiddenToo = false;  // also windows not shown (yet)
};

class Control;

// A window of another process (not owned: the program under test destroys it).
class Window {
public:
    explicit Window(HWND handle) : handle_(handle) {}

    // The first visible top-level window that matches, waiting for it.
    [[nodiscard]] static std::optional<Window> find(const WindowQuery& query,
                                                    DWORD timeoutMs = kDefaultTimeout);
    // Every visible top-level window that matches, now.
    static std::vector<Window> list(const WindowQuery& query);

    HWND handle() const { return handle_; }
    bool exists() const { return IsWindow(handle_) != FALSE; }
    [[nodiscard]] bool waitGone(DWORD timeoutMs = kDefaultTimeout) const;
    DWORD processId() const;
    std::wstring className() const;
    std::wstring text() const;
    bool isVisible() const { return IsWindowVisible(handle_) != FALSE; }
    bool isEnabled() const { return IsWindowEnabled(handle_) != FALSE; }

    Control control(int id) const;

    // Key presses go to the window's focused control, as the keyboard's would.
    [[nodiscard]] bool sendKey(WORD virtualKey) const;
    [[nodiscard]] bool postMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Nothing when the window does not answer within the time-out.
    [[nodiscard]] std::optional<LRESULT> sendMessage(UINT message, WPARAM wParam = 0,
                                                     LPARAM lParam = 0,
                                                     DWORD timeoutMs = kDefaultTimeout) const;
    // Waits until the window's thread has handled everything queued, painting
    // included, and answers whether it did within the time-out.
    [[nodiscard]] bool waitIdle(DWORD timeoutMs = kDefaultTimeout) const;

    // The window as it is on the screen, as a 24-bit .bmp file.
    [[nodiscard]] bool saveScreenshot(const std::wstring& path) const;

private:
    HWND handle_;
};

// A child control of a dialog, addressed by its id.
class Control {
public:
    Control(HWND dialog, int id) : dialog_(dialog), id_(id), handle_(GetDlgItem(dialog, id)) {}

    bool exists() const { return handle_ != nullptr && IsWindow(handle_) != FALSE; }
    HWND handle() const { return handle_; }
    std::wstring text() const { return Window(handle_).text(); }
    bool isEnabled() const { return exists() && IsWindowEnabled(handle_) != FALSE; }
    bool isVisible() const { return exists() && IsWindowVisible(handle_) != FALSE; }
    bool isChecked() const;

    // Clicks a button as a person would (BM_CLICK, posted so that a modal box
    // it opens does not hold the driver up). A disabled or hidden control is
    // out of a person's reach: it gets nothing and the answer is false.
    [[nodiscard]] bool click() const;
    // WM_COMMAND with BN_CLICKED posted to the dialog, for buttons a click
    // cannot reach (hidden or covered) or controls that are not buttons.
    [[nodiscard]] bool command() const;

private:
    HWND dialog_;
    int id_;
    HWND handle_;
};

// Modifier keys held down around a key press; combine them with "|".
enum KeyModifier : unsigned { kNoModifier = 0, kShift = 1, kControl = 2, kAlt = 4 };

struct KeyStroke {
    WORD key = 0;  // a virtual key
    unsigned modifiers = kNoModifier;
};

// Types keys as a keyboard does: brings `window` to the front and hands each
// stroke (its modifiers pressed first, released last) to the system's input
// (SendInput), which gives it to the focused control of the front window.
// No message is posted to any window. Answers whether the window came to the
// front and every stroke was taken; what the keys did is for the caller to
// wait for.
[[nodiscard]] bool typeKeys(const Window& window, const std::vector<KeyStroke>& keys);
[[nodiscard]] bool pressKey(const Window& window, WORD virtualKey,
                            unsigned modifiers = kNoModifier);
// The window that has the keyboard focus in `window`'s thread; null when the
// focus is not inside `window` (or is `window` itself).
HWND focusedControl(const Window& window);
// Its dialog control id, or 0.
int focusedControlId(const Window& window);

// A message box: a "#32770" window with its text in the static control
// 0xFFFF and at least one of the standard buttons (IDOK to IDNO).
class MessageBoxWindow {
public:
    static constexpr int kTextId = 0xFFFF;

    // The first visible message box whose text contains `textPart`, of the
    // given process (0: any), waiting for it.
    [[nodiscard]] static std::optional<MessageBoxWindow> find(const std::wstring& textPart,
                                                              DWORD processId = 0,
                                                              DWORD timeoutMs = kDefaultTimeout);
    // Every visible message box, now.
    static std::vector<MessageBoxWindow> list(DWORD processId = 0);

    const Window& window() const { return window_; }
    std::wstring text() const { return window_.control(kTextId).text(); }
    std::wstring caption() const { return window_.text(); }
    bool hasButton(int id) const { return window_.control(id).isVisible(); }
    // Presses IDOK, IDYES, IDNO, ... and waits until the box has closed.
    [[nodiscard]] bool press(int buttonId, DWORD timeoutMs = kDefaultTimeout) const;

private:
    explicit MessageBoxWindow(Window window) : window_(window) {}
    static bool isMessageBox(const Window& window);

    Window window_;
};

// A program started for a test, or one found running. Owns its process handle.
class Process {
public:
    // Starts `program` with `arguments` (the command line after the program's
    // quoted path) in `currentFolder`. The program inherits no handle of the
    // test: a child holding the test's output pipe would keep ctest waiting.
    [[nodiscard]] static std::optional<Process> start(const std::wstring& program,
                                                      const std::wstring& arguments,
                                                      const std::wstring& currentFolder);
    [[nodiscard]] static std::optional<Process> open(DWORD processId);

    DWORD id() const { return id_; }
    bool isRunning() const;
    [[nodiscard]] bool waitForExit(DWORD timeoutMs = kDefaultTimeout) const;
    std::optional<DWORD> exitCode() const;
    // Ends the process and waits until it is gone.
    bool terminate(DWORD timeoutMs = kDefaultTimeout) const;

private:
    Process(KernelHandle handle, DWORD id) : handle_(std::move(handle)), id_(id) {}

    KernelHandle handle_;
    DWORD id_;
};

// Every thread of a process but the one that runs `window` (its
// user-interface thread), held still until this is destroyed: a test's
// stand-in for a machine so slow that a person answers a question before the
// work behind it goes on. The window stays responsive meanwhile.
class HeldThreads {
public:
    // Holds the threads once `condition` holds while they are held (it is
    // looked at with them held, so that what it sees stays true); nothing when
    // it never did within the time, or when the window stopped answering
    // while they were held (one of them held a lock it needs).
    template <typename Condition>
    [[nodiscard]] static std::optional<HeldThreads> holdWhen(const Window& window,
                                                             Condition condition,
                                                             DWORD timeoutMs = kDefaultTimeout) {
        // Looked at often: a fast machine is through a whole file in
        // milliseconds, and each look holds the work a little.
        const DWORD started = GetTickCount();
        do {
            auto attempt = hold(window);
            if (attempt && condition()) {
                return attempt;
            }
            attempt.reset();
            Sleep(1);
        } while (GetTickCount() - started < timeoutMs);
        return std::nullopt;
    }
    ~HeldThreads();
    HeldThreads(HeldThreads&&) = default;
    HeldThreads& operator=(HeldThreads&&) = delete;
    HeldThreads(const HeldThreads&) = delete;
    HeldThreads& operator=(const HeldThreads&) = delete;

private:
    HeldThreads() = default;
    static std::optional<HeldThreads> hold(const Window& window);

    std::vector<KernelHandle> threads_;
};

struct ProcessEntry {
    DWORD id = 0;
    DWORD parentId = 0;
    std::wstring imageName;  // file name only, e.g. install.exe
};

// Running processes whose image name equals `imageName` (any letter case), or
// all of them for an empty name.
std::vector<ProcessEntry> listProcesses(const std::wstring& imageName = L"");
// The full path of a process's program file; empty when it cannot be read.
std::wstring processImagePath(DWORD processId);

// The system's folder browser (SHBrowseForFolder) that `owner` opened, once
// it shows; a person picks `folder` in it and presses OK. The path is handed
// to the browser in its own process's memory, as its selection message needs.
[[nodiscard]] bool pickFolderInBrowser(const Window& owner, const std::wstring& folder,
                                       DWORD timeoutMs = kDefaultTimeout);

// A 24-bit .bmp file of bottom-up rows, each padded to four bytes.
std::vector<uint8_t> bitmapFile(const std::vector<uint8_t>& rows, LONG width, LONG height);
// The whole screen as it is now, in one grab: for pages that change all the
// time, where Window::saveScreenshot would wait for a still picture.
[[nodiscard]] bool saveScreenNow(const std::wstring& path);

}  // namespace ui
