#include "installer/app/install_ending.h"

bool InstallEnding::unpackEnded(InstallEngine& engine, bool complete, FinishingSteps& steps) {
    if (!complete) {
        exitCode_ = kExitUndone;
        log_.write(unattended() ? L"The install stopped; undoing what it made"
                                : L"Result: the install failed and is undone (exit code 2)");
        return false;
    }
    installed_ = &engine;
    tell(L"Creating the program group and its shortcuts");
    steps.createProgramGroup(engine);
    steps.addUninstallEntry(engine.registry());
    // The wizard's finish page tells the person the game is installed: from
    // here a kill must not take it away. A script's run goes on to the file
    // type and the icons at once and ends after them.
    if (!unattended()) {
        commit();
    }
    exitCode_ = kExitInstalled;
    if (!unattended()) {
        log_.write(L"Result: installed (exit code 0)");
    }
    return true;
}

void InstallEnding::undone() {
    // The wizard's result line went before its undo.
    if (unattended()) {
        log_.write(L"Result: the install failed and was undone (exit code 2)");
    }
}

bool InstallEnding::finish(const std::optional<FinishChoices>& choices, FinishingSteps& steps) {
    const FinishPlan plan =
        choices ? planFinish(*choices, installed_ == nullptr, !config_.openUrl.empty())
                : planFinishCancel();
    tell(L"Registering the update-pack file type");
    steps.registerFileType(installed_ != nullptr ? installed_->registry() : registry_);
    if (plan.openWebPage && !unattended()) {
        steps.openWebPage(config_.openUrl);
    }
    if (plan.createDesktopShortcuts && installed_ != nullptr) {
        tell(L"Creating the desktop shortcuts");
        steps.createDesktopShortcuts(*installed_);
    }
    // Nobody would look at a page a script opens; its log says so after the
    // icons, where it always has.
    if (plan.openWebPage && unattended()) {
        log_.write(L"Not opened in an unattended run: " + config_.openUrl);
    }
    commit();
    if (plan.verify) {
        startGameAfterVerify_ = plan.startGameAfterVerify;
        return true;
    }
    if (plan.startGame) {
        startGame(steps);
    }
    writeResult();
    return false;
}

void InstallEnding::verificationEnded(VerificationEnd end, FinishingSteps& steps) {
    // A script cannot read the report: a damaged install (or a check.md that
    // could not be read) is its result, and the game stays closed.
    if (unattended() && end != VerificationEnd::Finished) {
        exitCode_ = kExitVerificationFailed;
    } else if (startGameAfterVerify_) {
        startGame(steps);
    }
    writeResult();
}

void InstallEnding::tell(const std::wstring& line) {
    if (unattended()) {
        log_.write(line);
    }
}

void InstallEnding::startGame(FinishingSteps& steps) {
    tell(L"Starting the game");
    steps.startGame();
}

void InstallEnding::writeResult() {
    if (!unattended()) {
        return;
    }
    log_.write(exitCode_ == kExitInstalled
                   ? L"Result: installed (exit code 0)"
                   : L"Result: installed, but the verification failed (exit code 3)");
}

void InstallEnding::commit() {
    if (installed_ != nullptr && !committed_) {
        installed_->commit();
        committed_ = true;
    }
}
