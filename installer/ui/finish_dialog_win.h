// The last page of the wizard: how the install ended, and three choices (a
// desktop icon, starting the game, verifying the installed files) that its
// finish button hands to the application, which carries them out in a fixed
// order.
#pragma once

#include <optional>

#include "installer/engine/finishing_steps.h"
#include "installer/ui/wizard_page_win.h"

class FinishDialog : public WizardPage {
public:
    static constexpr int kLayout = 133;
    static constexpr int kDesktopIconBox = 1005;
    static constexpr int kStartGameBox = 1006;
    static constexpr int kVerifyBox = 1007;
    static constexpr int kResultText = 1010;

    explicit FinishDialog(WizardFrame& mainWindow);

protected:
    bool onInit() override;
    void onOK() override;
    // Esc or closing the page.
    void onCancel() override;
    bool onCommand(int id, int code) override;

private:
    void showResult();
    // Without choices: Esc or closing the page.
    void carryOut(const std::optional<FinishChoices>& choices);

    FinishChoices choices_;
    // Finish and cancel act once: a second press before the window is gone
    // would register, open the web page and create the icons again.
    bool finished_ = false;
};
