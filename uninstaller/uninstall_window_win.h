// The uninstaller's one window (layout 102): three stage rows with their
// marks, the delete-all box, the progress bar, start and cancel. Start runs
// the removal on this thread and closes the window when it is done.
#pragma once

#include "common/win/dialog_win.h"
#include "uninstaller/removal_engine.h"

class UninstallerApp;

class UninstallWindow : public Dialog, public RemovalView {
public:
    static constexpr int kLayout = 102;

    explicit UninstallWindow(UninstallerApp& app);

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

    UninstallerApp& app_;
    int deleteAll_ = 0;
    HICON icon_;
};
