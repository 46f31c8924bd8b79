#include "ui_driver_win.h"

#include <shlobj.h>

#include <tlhelp32.h>

#include <iterator>
#include <utility>

#include "tests/e2e/scenario_support_win.h"

namespace ui {

namespace {

// CreateToolhelp32Snapshot answers INVALID_HANDLE_VALUE on failure.
using SnapshotHandle = UniqueHandle<FileHandleTraits>;

struct WindowSearch {
    const WindowQuery* query;
    std::vector<Window>* found;
    bool firstOnly;
};

std::wstring classNameOf(HWND window) {
    wchar_t name[256] = {};
    int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// The caption the system keeps for a top-level window; reading it sends no
// message, so a hung program cannot block the search.
std::wstring captionOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

bool matches(HWND window, const WindowQuery& query) {
    if (!query.hiddenToo && IsWindowVisible(window) == FALSE) {
        return false;
    }
    if (query.processId != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != query.processId) {
            return false;
        }
    }
    if (!query.className.empty() && classNameOf(window) != query.className) {
        return false;
    }
    if (!query.title.empty()) {
        const std::wstring caption = captionOf(window);
        if (query.titlePart ? caption.find(query.title) == std::wstring::npos
                            : caption != query.title) {
            return false;
        }
    }
    return true;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (matches(window, *search->query)) {
        search->found->emplace_back(window);
        if (search->firstOnly) {
            return FALSE;
        }
    }
    return TRUE;
}

std::vector<Window> enumerate(const WindowQuery& query, bool firstOnly) {
    std::vector<Window> found;
    WindowSearch search{&query, &found, firstOnly};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return found;
}

void putLe16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putLe32(std::vector<uint8_t>& out, uint32_t value) {
    putLe16(out, static_cast<uint16_t>(value));
    putLe16(out, static_cast<uint16_t>(value >> 16));
}

// Bottom-up 24-bit rows as a Windows bitmap file (file header, info header, pixels).
std::vector<uint8_t> encodeBitmap(const std::vector<uint8_t>& pixels, LONG width, LONG height) {
    constexpr uint32_t kHeadersSize = 14 + 40;
    std::vector<uint8_t> file;
    file.reserve(kHeadersSize + pixels.size());
    file.push_back('B');
    file.push_back('M');
    putLe32(file, static_cast<uint32_t>(kHeadersSize + pixels.size()));
    putLe32(file, 0);
    putLe32(file, kHeadersSize);
    putLe32(file, 40);
    putLe32(file, static_cast<uint32_t>(width));
    putLe32(file, static_cast<uint32_t>(height));
    putLe16(file, 1);
    putLe16(file, 24);
    putLe32(file, BI_RGB);
    putLe32(file, static_cast<uint32_t>(pixels.size()));
    putLe32(file, 2835);  // 72 dots per inch
    putLe32(file, 2835);
    putLe32(file, 0);
    putLe32(file, 0);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// The screen's pixels under a rectangle, bottom-up 24-bit rows.
std::optional<std::vector<uint8_t>> capture(const RECT& area) {
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    WindowDc screen(nullptr);
    if (screen.get() == nullptr) {
        return std::nullopt;
    }
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap) {
        return std::nullopt;
    }
    {
        SelectedObject selected(memory.get(), bitmap.get());
        if (BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top,
                   SRCCOPY | CAPTUREBLT) == FALSE) {
            return std::nullopt;
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(height));
    if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) != height) {
        return std::nullopt;
    }
    return pixels;
}

}  // namespace

std::optional<Window> Window::find(const WindowQuery& query, DWORD timeoutMs) {
    std::optional<Window> found;
    waitUntil(
        [&] {
            auto windows = enumerate(query, true);
            if (!windows.empty()) {
                found = windows.front();
            }
            return found.has_value();
        },
        timeoutMs);
    return found;
}

std::vector<Window> Window::list(const WindowQuery& query) {
    return enumerate(query, false);
}

bool Window::waitGone(DWORD timeoutMs) const {
    return waitUntil([&] { return !exists(); }, timeoutMs);
}

DWORD Window::processId() const {
    DWORD owner = 0;
    GetWindowThreadProcessId(handle_, &owner);
    return owner;
}

std::wstring Window::className() const {
    return classNameOf(handle_);
}

std::wstring Window::text() const {
    // WM_GETTEXT reaches what the caption does not hold, such as an edit
    // control's contents, and the system copies the text across processes.
    auto length = sendMessage(WM_GETTEXTLENGTH, 0, 0, 5000);
    if (!length || *length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    auto copied = sendMessage(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 5000);
    text.resize(copied && *copied > 0 ? static_cast<size_t>(*copied) : 0);
    return text;
}

Control Window::control(int id) const {
    return Control(handle_, id);
}

bool Window::sendKey(WORD virtualKey) const {
    HWND target = handle_;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(handle_, nullptr), &thread) != FALSE &&
        thread.hwndFocus != nullptr &&
        (thread.hwndFocus == handle_ || IsChild(handle_, thread.hwndFocus) != FALSE)) {
        target = thread.hwndFocus;
    }
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    if (PostMessageW(target, WM_KEYDOWN, virtualKey, scan | 1) == FALSE) {
        return false;
    }
    // The key may already have closed the window (Enter on a message box);
    // then there is nobody left to release it to.
    PostMessageW(target, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{3} << 30));
    return true;
}

namespace {

// Keys of the block between the main keys and the number pad, which a
// keyboard sends with the extended flag.
bool isExtendedKey(WORD key) {
    switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_INSERT:
        case VK_DELETE:
            return true;
        default:
            return false;
    }
}

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags =
        (up ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

}  // namespace

bool typeKeys(const Window& window, const std::vector<KeyStroke>& keys) {
    SetForegroundWindow(window.handle());
    if (!waitUntil([&] { return GetForegroundWindow() == window.handle(); }, 5000)) {
        return false;
    }
    const std::pair<unsigned, WORD> modifierKeys[] = {
        {kControl, VK_CONTROL}, {kShift, VK_SHIFT}, {kAlt, VK_MENU}};
    for (const KeyStroke& stroke : keys) {
        std::vector<INPUT> inputs;
        for (const auto& [flag, key] : modifierKeys) {
            if ((stroke.modifiers & flag) != 0) {
                inputs.push_back(keyInput(key, false));
            }
        }
        inputs.push_back(keyInput(stroke.key, false));
        inputs.push_back(keyInput(stroke.key, true));
        for (auto it = std::rbegin(modifierKeys); it != std::rend(modifierKeys); ++it) {
            if ((stroke.modifiers & it->first) != 0) {
                inputs.push_back(keyInput(it->second, true));
            }
        }
        const UINT count = static_cast<UINT>(inputs.size());
        if (SendInput(count, inputs.data(), sizeof(INPUT)) != count) {
            return false;
        }
    }
    return true;
}

bool pressKey(const Window& window, WORD virtualKey, unsigned modifiers) {
    return typeKeys(window, {{virtualKey, modifiers}});
}

HWND focusedControl(const Window& window) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window.handle(), nullptr), &thread) == FALSE ||
        thread.hwndFocus == nullptr || IsChild(window.handle(), thread.hwndFocus) == FALSE) {
        return nullptr;
    }
    return thread.hwndFocus;
}

int focusedControlId(const Window& window) {
    HWND focus = focusedControl(window);
    return focus == nullptr ? 0 : GetDlgCtrlID(focus);
}

bool Window::postMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return PostMessageW(handle_, message, wParam, lParam) != FALSE;
}

std::optional<LRESULT> Window::sendMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                           DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(handle_, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                            timeoutMs, &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

bool Window::waitIdle(DWORD timeoutMs) const {
    // A sent message is handled before anything posted, and painting waits
    // for an empty queue: one round trip, a synchronous repaint, another.
    if (!sendMessage(WM_NULL, 0, 0, timeoutMs)) {
        return false;
    }
    RedrawWindow(handle_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return sendMessage(WM_NULL, 0, 0, timeoutMs).has_value();
}

bool Window::saveScreenshot(const std::wstring& path) const {
    if (!waitIdle()) {
        return false;
    }
    RECT area{};
    if (GetWindowRect(handle_, &area) == FALSE) {
        return false;
    }
    // The program's drawing reaches the screen a little after it has painted;
    // the picture counts once two grabs in a row agree.
    std::optional<std::vector<uint8_t>> previous = capture(area);
    std::optional<std::vector<uint8_t>> current;
    waitUntil(
        [&] {
            Sleep(50);
            current = capture(area);
            bool stable = current && previous && *current == *previous;
            previous = current;
            return stable;
        },
        3000);
    if (!current) {
        return false;
    }
    return e2e::writeFileBytes(
        path, encodeBitmap(*current, area.right - area.left, area.bottom - area.top));
}

bool Control::isChecked() const {
    if (!exists()) {
        return false;
    }
    auto state = Window(handle_).sendMessage(BM_GETCHECK);
    return state && *state == BST_CHECKED;
}

bool Control::click() const {
    if (!isEnabled() || !isVisible()) {
        return false;
    }
    return PostMessageW(handle_, BM_CLICK, 0, 0) != FALSE;
}

bool Control::command() const {
    return PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED),
                        reinterpret_cast<LPARAM>(handle_)) != FALSE;
}

bool MessageBoxWindow::isMessageBox(const Window& window) {
    if (!window.control(kTextId).exists()) {
        return false;
    }
    // Dialogs may have unnamed labels too; a message box has at least one of
    // the standard answers.
    for (int id = IDOK; id <= IDNO; ++id) {
        if (window.control(id).isVisible()) {
            return true;
        }
    }
    return false;
}

std::optional<MessageBoxWindow> MessageBoxWindow::find(const std::wstring& textPart,
                                                       DWORD processId, DWORD timeoutMs) {
    std::optional<MessageBoxWindow> found;
    waitUntil(
        [&] {
            for (auto& box : list(processId)) {
                if (box.text().find(textPart) != std::wstring::npos) {
                    found = box;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::vector<MessageBoxWindow> MessageBoxWindow::list(DWORD processId) {
    std::vector<MessageBoxWindow> boxes;
    WindowQuery query;
    query.className = L"#32770";
    query.processId = processId;
    for (const auto& window : Window::list(query)) {
        if (isMessageBox(window)) {
            boxes.push_back(MessageBoxWindow(window));
        }
    }
    return boxes;
}

bool MessageBoxWindow::press(int buttonId, DWORD timeoutMs) const {
    return window_.control(buttonId).click() && window_.waitGone(timeoutMs);
}

std::optional<HeldThreads> HeldThreads::hold(const Window& window) {
    DWORD processId = 0;
    const DWORD windowThread = GetWindowThreadProcessId(window.handle(), &processId);
    SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (windowThread == 0 || !snapshot) {
        return std::nullopt;
    }
    HeldThreads held;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more != FALSE;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId || entry.th32ThreadID == windowThread) {
            continue;
        }
        KernelHandle thread(
            OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, entry.th32ThreadID));
        if (!thread || SuspendThread(thread.get()) == static_cast<DWORD>(-1)) {
            continue;  // a thread that has just ended
        }
        // Suspending is asynchronous: reading its context waits until it holds.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread.get(), &context);
        held.threads_.push_back(std::move(thread));
    }
    // A thread held inside a lock the window's thread needs would hang it.
    if (!window.sendMessage(WM_NULL, 0, 0, 1000)) {
        return std::nullopt;
    }
    return held;
}

HeldThreads::~HeldThreads() {
    for (const auto& thread : threads_) {
        ResumeThread(thread.get());
    }
}

std::optional<Process> Process::start(const std::wstring& program, const std::wstring& arguments,
                                      const std::wstring& currentFolder) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // Explicitly no standard handles and no console: otherwise Wine hands
    // the child the test's own output pipe whatever the inherit flag says.
    // Wine's own error output (Unix descriptor 2) still goes along, so a
    // scenario must end what it starts.
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = INVALID_HANDLE_VALUE;
    startup.hStdError = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION created{};
    if (CreateProcessW(
            program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
            currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &created) == FALSE) {
        return std::nullopt;
    }
    KernelHandle thread(created.hThread);
    return Process(KernelHandle(created.hProcess), created.dwProcessId);
}

std::optional<Process> Process::open(DWORD processId) {
    KernelHandle handle(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
    if (!handle) {
        return std::nullopt;
    }
    return Process(std::move(handle), processId);
}

bool Process::isRunning() const {
    return WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::waitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(handle_.get(), timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::exitCode() const {
    DWORD code = 0;
    if (isRunning() || GetExitCodeProcess(handle_.get(), &code) == FALSE) {
        return std::nullopt;
    }
    return code;
}

bool Process::terminate(DWORD timeoutMs) const {
    if (!isRunning()) {
        return true;
    }
    TerminateProcess(handle_.get(), 1);
    return waitForExit(timeoutMs);
}

std::vector<ProcessEntry> listProcesses(const std::wstring& imageName) {
    std::vector<ProcessEntry> processes;
    SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more != FALSE;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (imageName.empty() || lstrcmpiW(entry.szExeFile, imageName.c_str()) == 0) {
            processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
        }
    }
    return processes;
}

std::wstring processImagePath(DWORD processId) {
    SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) {
        return {};
    }
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    // The first module of a process is its program file.
    if (Module32FirstW(snapshot.get(), &module) == FALSE) {
        return {};
    }
    return module.szExePath;
}

std::vector<uint8_t> bitmapFile(const std::vector<uint8_t>& rows, LONG width, LONG height) {
    return encodeBitmap(rows, width, height);
}

bool saveScreenNow(const std::wstring& path) {
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const auto pixels = capture(screen);
    return pixels && e2e::writeFileBytes(path, encodeBitmap(*pixels, screen.right, screen.bottom));
}

}  // namespace ui

namespace ui {

bool pickFolderInBrowser(const Window& owner, const std::wstring& folder, DWORD timeoutMs) {
    std::optional<Window> browser;
    waitUntil(
        [&] {
            for (const Window& window : Window::list({L"", false, L"#32770", owner.processId()})) {
                if (GetWindow(window.handle(), GW_OWNER) == owner.handle()) {
                    browser = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!browser || !browser->waitIdle()) {
        return false;
    }
    const KernelHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, owner.processId()));
    const size_t bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* remote = process ? VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE,
                                            PAGE_READWRITE)
                           : nullptr;
    if (remote == nullptr) {
        return false;
    }
    const bool selected =
        WriteProcessMemory(process.get(), remote, folder.c_str(), bytes, nullptr) &&
        browser->sendMessage(BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote))
            .has_value();
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return selected && browser->waitIdle() && browser->control(IDOK).click() &&
           browser->waitGone(timeoutMs);
}

}  // namespace ui
