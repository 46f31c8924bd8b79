#include "common/win/window_dpi_win.h"

#include "common/screen_scale.h"
#include "common/win/handles_win.h"

namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);

// Looked up at run time: Windows XP's user32 lacks it.
GetDpiForWindowCall findGetDpiForWindow() {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (user == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<GetDpiForWindowCall>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
}

}  // namespace

int windowDpi(HWND window) {
    if (const GetDpiForWindowCall call = findGetDpiForWindow()) {
        const UINT dpi = call(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    WindowDc dc(window);
    const int dpi = dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

int scaleForWindow(HWND window, int pixels) {
    return scaleToDpi(pixels, windowDpi(window));
}
