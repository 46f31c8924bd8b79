// The uninstaller's one window (layout 102): three stage rows with their
// marks, the delete-all box, the progress bar, start and cancel. Start has
// the application run the removal on this thread, shown in this window, and
// closes the window when it is done.
#pragma once

#include "common/win/dialog_win.h"
#include "common/win/win32_platform_win.h"
#include "uninstaller/engine/removal_engine.h"
#include "uninstaller/engine/uninstall_texts.h"

// What the window leaves to the application above it, which removes the same
// way with or without a window.
class UninstallHost {
public:
    virtual ~UninstallHost() = default;
    UninstallHost() = default;
    UninstallHost(const UninstallHost&) = delete;
    UninstallHost& operator=(const UninstallHost&) = delete;

    virtual const UninstallTexts& texts() const = 0;
    // The message boxes; the window makes itself their owner.
    virtual MessageBoxPrompt& windowPrompt() = 0;
    // The recorded entries, the registry, delete-all when asked for and the
    // exit address.
    virtual void remove(RemovalView& view, bool deleteAll, HWND owner) = 0;
};

class UninstallWindow : public Dialog, public RemovalView {
public:
    static constexpr int kLayout = 102;

    explicit UninstallWindow(UninstallHost& host);

    void markStage(int stage) override;
    void setProgressRange(int maximum) override;
    void stepProgress() override;

protected:
    bool onInit() override;
    void onOK() override;
    bool onCommand(int id, int code) override;

private:
    void paintMinimised();
    void setDeleteAll(bool ticked);

    UninstallHost& host_;
    int deleteAll_ = 0;
    HICON icon_;
};
