// The agreement page: CopyRight.txt from the medium in a read-only box, and
// an agree button that stays disabled until the text has been scrolled to
// its end with the scroll bar, the wheel or the keys. "not agree", Esc and
// the close box end the installer; Enter does nothing.
#pragma once

#include <windows.h>

#include <functional>

#include "installer/ui/agreement_text.h"
#include "installer/ui/wizard_page_win.h"

// The text box: a plain edit control that runs the page's agree-button check
// after it has handled a scroll-bar action, a wheel turn or a key in its own
// way.
class AgreementTextBox {
public:
    explicit AgreementTextBox(std::function<void()> afterScroll)
        : afterScroll_(std::move(afterScroll)) {}
    ~AgreementTextBox();
    AgreementTextBox(const AgreementTextBox&) = delete;
    AgreementTextBox& operator=(const AgreementTextBox&) = delete;

    bool attach(HWND edit);
    HWND hwnd() const { return edit_; }
    // The vertical scroll bar as the box reports it.
    ScrollState scrollState() const;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    void detach();

    HWND edit_ = nullptr;
    std::function<void()> afterScroll_;
};

class AgreementDialog : public WizardPage {
public:
    static constexpr int kLayout = 131;
    static constexpr int kLabel = 1013;
    static constexpr int kTextBox = 1002;
    static constexpr int kAgreeButton = 1009;
    static constexpr UINT_PTR kTimerId = 22;

    explicit AgreementDialog(WizardFrame& mainWindow);

    // Enables agree once the text is at its end; never disables it.
    void checkAgreeButton();

protected:
    bool onInit() override;
    void onOK() override {}
    void onCancel() override;
    void onDestroy() override;
    bool onCommand(int id, int code) override;

private:
    void loadText();

    AgreementTextBox textBox_;
    AgreeButtonRule agreeRule_;
    bool loaded_ = false;
};
