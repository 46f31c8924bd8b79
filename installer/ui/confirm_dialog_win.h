// The question of step 2 whether to check the packages before the install.
// OK moves the wizard to the package check, Cancel (the default button)
// skips it. The page never closes itself: the next page shown hides it.
#pragma once

#include "installer/ui/wizard_page_win.h"

class ConfirmDialog : public WizardPage {
public:
    static constexpr int kLayout = 155;
    static constexpr int kQuestionText = 1027;

    explicit ConfirmDialog(WizardFrame& mainWindow) : WizardPage(kLayout, mainWindow) {}

protected:
    bool onInit() override;
    void onOK() override;
    void onCancel() override;
};
