#include "installer/app/finish_plan.h"

FinishPlan planFinish(const FinishChoices& choices, bool installFailed, bool hasOpenUrl) {
    FinishPlan plan;
    plan.openWebPage = hasOpenUrl;
    plan.createDesktopShortcuts = choices.desktopIcon && !installFailed;
    if (choices.verifyFiles && !installFailed) {
        plan.verify = true;
        plan.startGameAfterVerify = choices.startGame;
        return plan;
    }
    // After a failed install the boxes are disabled, but a game start chosen
    // before would start a game that is not there.
    plan.startGame = choices.startGame && !installFailed;
    plan.endInstaller = true;
    return plan;
}

FinishPlan planFinishCancel() {
    FinishPlan plan;
    plan.endInstaller = true;
    return plan;
}
