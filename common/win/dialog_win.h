// The class-based dialog layer. A window class derives from Dialog, names its
// layout, overrides onInit, onOK, onCancel and onDestroy where it needs to,
// and registers handlers for single messages. The dialog procedure only finds
// the object and dispatches; no exception crosses it.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

// Appends a separator and the string resource `menuTextId` as entry
// `command` to the window's system menu; false when either is missing.
bool appendAboutEntry(HWND window, int menuTextId, UINT command);

// WM_DPICHANGED, which older SDK headers lack.
constexpr UINT kDpiChangedMessage = 0x02E0;

class Dialog {
public:
    explicit Dialog(int layoutId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; answers the value given to end().
    INT_PTR runModal(HWND owner);
    // Creates the dialog modeless and hidden unless its layout says visible.
    bool create(HWND owner);

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    void setItemText(int id, const std::wstring& text) const;
    std::wstring itemText(int id) const;
    void enableItem(int id, bool enabled) const;
    void setTitle(const std::wstring& text) const;
    void show(bool visible) const;
    bool isModal() const { return modal_; }

    // Ends a modal dialog with a result, or destroys a modeless one.
    void end(INT_PTR result);

protected:
    // Answers whether the dialog manager should set the default focus. The
    // texts set here are fitted to their controls afterwards.
    virtual bool onInit() { return true; }
    virtual void onOK() { end(IDOK); }
    virtual void onCancel() { end(IDCANCEL); }
    virtual void onDestroy() {}
    // The window's dpi changed (it moved to another screen) and it took the
    // size the system suggested; its texts are fitted again after this.
    virtual void onDpiChanged() {}
    // A button or menu command other than IDOK and IDCANCEL; true when handled.
    virtual bool onCommand(int /*id*/, int /*code*/) { return false; }

    // A handler answers true when it handled the message; `result` is then the
    // message's result.
    using Handler = std::function<bool(WPARAM, LPARAM, LRESULT& result)>;
    void handle(UINT message, Handler handler);

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR reply(UINT message, LRESULT result);

    int layoutId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    std::map<UINT, Handler> handlers_;
};
