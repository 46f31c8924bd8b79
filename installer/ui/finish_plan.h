// What the finish page does when it is left, decided without windows.
#pragma once

// The three check boxes of the finish page.
struct FinishChoices {
    bool desktopIcon = true;
    bool startGame = false;
    bool verifyFiles = false;
};

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
