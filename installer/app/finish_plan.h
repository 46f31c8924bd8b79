// What follows a complete or failed install once the finish page is left
// (or a script's switches ask), decided without windows.
#pragma once

#include "installer/engine/finishing_steps.h"

// The finish sequence, in the order it runs. The file type is registered on
// every finish and the web page opened whenever one is configured; the
// desktop icons and the verification only follow a complete install.
struct FinishPlan {
    bool registerFileType = true;
    bool openWebPage = false;
    bool createDesktopShortcuts = false;
    // Go on to the verification, which starts the game afterwards when
    // startGameAfterVerify is set.
    bool verify = false;
    bool startGameAfterVerify = false;
    // Otherwise the installer ends, after starting the game when asked.
    bool startGame = false;
    bool endInstaller = false;
};

FinishPlan planFinish(const FinishChoices& choices, bool installFailed, bool hasOpenUrl);

// Esc or closing the page: the file type is registered and the installer
// ends; nothing else happens.
FinishPlan planFinishCancel();
