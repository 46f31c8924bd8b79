// The next-disc prompt: the folder in which the next package is looked for,
// a browse button to pick another one, OK to try again and Cancel to give up
// (after a question). One window for the whole run, created hidden and
// without an owner by the install page; the package reader, on the install
// worker, drives it through its poll.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/dialog_win.h"
#include "installer/engine/install_config.h"
#include "installer/ui/next_disc_exchange.h"

class NextDiscDialog : public Dialog, public NextDiscWindow {
public:
    static constexpr int kLayout = 147;
    static constexpr int kLabel = 1018;
    static constexpr int kFolderBox = 1001;
    static constexpr int kBrowseButton = 1019;
    // Sent by the poll's window operations; they run on the window's thread.
    static constexpr UINT kPresentMessage = WM_USER + 20;       // wParam N, lParam std::wstring*
    static constexpr UINT kStoredFolderMessage = WM_USER + 21;  // lParam std::wstring* (out)
    static constexpr UINT kDismissMessage = WM_USER + 22;

    // The texts come from `config`.
    explicit NextDiscDialog(const InstallConfig& config);

    // The reader's next-disc callback (install worker thread).
    int NextDiscPoll(std::wstring& folder, int packageNumber) {
        return poll_.poll(folder, packageNumber);
    }

    // NextDiscWindow, called on the worker: each sends one message.
    void present(const std::wstring& folder, int packageNumber) override;
    std::wstring storedFolder() override;
    void dismiss() override;

protected:
    bool onInit() override;
    void onOK() override;
    void onCancel() override;
    bool onCommand(int id, int code) override;

private:
    void browse();
    void showFolder(const std::wstring& text);

    const InstallConfig& config_;
    NextDiscExchange poll_;
    // Touched on the window's thread only.
    std::wstring storedFolder_;
    std::wstring shownText_;
};
