// The installer's one top-level window: it covers the screen with the
// background pictures of the medium, owns the wizard's pages and runs the
// wizard on a 100 ms timer. The installer ends when it closes.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <memory>

#include "common/win/dialog_win.h"
#include "common/win/handles_win.h"
#include "installer/ui/picture_canvas_win.h"
#include "installer/ui/picture_set.h"
#include "installer/ui/wizard.h"
#include "installer/ui/wizard_host_win.h"
#include "installer/ui/wizard_page_win.h"

class MainWindow : public Dialog, public WizardFrame {
public:
    static constexpr int kLayout = 102;
    // wParam: the overall install percentage. Posted, so any thread may send it.
    static constexpr UINT kProgressMessage = WM_USER + 3;
    static constexpr UINT kAboutCommand = 0x10;
    static constexpr int kAboutMenuText = 101;
    static constexpr int kIcon = 128;

    explicit MainWindow(WizardHost& host);
    ~MainWindow() override;

    // Creates the window and runs it modally until it is closed. The loop
    // gives the pages their dialog keys (Tab, Enter, Esc) as well.
    void run();
    // Ends the installer: the pictures go first, then the window and the
    // pages.
    void close() override;
    bool closed() const { return ended_; }

    HWND frameWindow() const override { return hwnd(); }
    WizardHost& host() const override { return host_; }
    StepCounter& wizardStep() override { return wizardStep_; }
    void requestQuit() override { quitRequested_ = true; }
    void postProgress(int percent) override;

    // A page, or null while this build has none for the id.
    WizardPage* page(PageId id) const { return pages_[pageIndex(id)].get(); }
    // Hides every other page that exists, then shows this one.
    void showPage(PageId id);
    // Selects a loaded picture; false for an index outside 0 to 9 or an
    // empty slot.
    bool showPicture(int index);
    int pictureCount() const { return pictureCount_; }

protected:
    bool onInit() override;
    // Enter and Esc do nothing.
    void onOK() override {}
    void onCancel() override {}
    void onDestroy() override;

private:
    // Hands a message to the page it is for before it is dispatched.
    bool offerToPage(MSG& message);
    void loadPictures();
    void fillScreen();
    void createPages();
    void tick();
    void paint();
    void followProgress(int percent);
    void releasePictures();

    WizardHost& host_;
    StepCounter wizardStep_;
    std::atomic<bool> quitRequested_{false};
    WizardState wizard_;
    // The picture the progress asked for last; -1 before the first message.
    int lastShownPicture_ = -1;
    bool ended_ = false;
    // Loaded as a shared resource icon, which is never destroyed.
    HICON icon_ = nullptr;
    std::array<BitmapHandle, kMaxPictures> pictures_;
    int pictureCount_ = 0;
    // After the pictures, so that it lets go of the selected one before
    // they are deleted.
    PictureCanvas canvas_;
    std::array<std::unique_ptr<WizardPage>, kPageCount> pages_;
};
