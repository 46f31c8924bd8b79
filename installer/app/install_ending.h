// How an install ends, decided here for the wizard and the silent run alike.
// When the unpack ends, a complete run is committed and gets its program
// group and its entry in the list of installed programs; a failed one is
// undone. Leaving the finish page (or a script's switches) registers the file
// type, opens the web page and makes the desktop icons, and then comes the
// verification or the game. The exit code says how it all ended.
//
// The two front ends differ only in what they report. The silent run tells
// each step in its log and ends it with the result, and a script's /VERIFY
// makes the verification's outcome part of that result. The wizard writes its
// result when the unpack ends and leaves the verification's report to the
// person reading it.
#pragma once

#include <optional>
#include <string>

#include "common/run_log.h"
#include "installer/app/finish_plan.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/finishing_steps.h"
#include "installer/engine/install_config.h"
#include "installer/engine/install_engine.h"

enum InstallExitCode {
    kExitInstalled = 0,
    // Nothing was installed: a bad medium, configuration or target folder,
    // not enough space, or an unknown switch.
    kExitNothingInstalled = 1,
    // The install failed or hit a question and was undone (a missing disc, a
    // full disk, a damaged package, a wrong package digest).
    kExitUndone = 2,
    // Installed, but /VERIFY found a file that differs from the medium's.
    kExitVerificationFailed = 3,
};

class InstallEnding {
public:
    enum class FrontEnd { Wizard, Unattended };

    // `registry` takes what is written after a failed install (the file
    // type); a complete one writes through its engine's journaled registry.
    InstallEnding(FrontEnd frontEnd, const InstallConfig& config, RunLog& log, Registry& registry)
        : frontEnd_(frontEnd), config_(config), log_(log), registry_(registry) {}
    InstallEnding(const InstallEnding&) = delete;
    InstallEnding& operator=(const InstallEnding&) = delete;

    // The unpack has ended, completely or not. A complete run gets its program
    // group and its Uninstall entry (and, in the wizard, is committed before
    // its finish page shows), and true is the answer;
    // a failed one answers false, and the front end undoes it and then says
    // so through undone(). `engine` must outlive the finish.
    bool unpackEnded(InstallEngine& engine, bool complete, FinishingSteps& steps);
    void undone();

    // The finish page is left with its choices, or a script's switches stand
    // for them; without choices (Esc) only the file type is registered. Then
    // the file type, the web page and the desktop icons, in that order; then
    // a script's install is committed: its journal, the last trace of the
    // run, goes.
    // True when the verification is to follow (and verificationEnded after
    // it); otherwise the game has started if asked and the run is over.
    bool finish(const std::optional<FinishChoices>& choices, FinishingSteps& steps);
    // The verification has reached its end; the game starts when asked and a
    // script's /VERIFY did not find the install damaged.
    void verificationEnded(VerificationEnd end, FinishingSteps& steps);

    // The run ends here however it ended: a complete install that has not
    // been committed (its finish page never left) is committed now.
    void close() { commit(); }

    InstallExitCode exitCode() const { return exitCode_; }

private:
    void commit();
    bool unattended() const { return frontEnd_ == FrontEnd::Unattended; }
    // A line of the silent run's account of its steps.
    void tell(const std::wstring& line);
    void startGame(FinishingSteps& steps);
    // The silent run's last line.
    void writeResult();

    FrontEnd frontEnd_;
    const InstallConfig& config_;
    RunLog& log_;
    Registry& registry_;
    InstallExitCode exitCode_ = kExitNothingInstalled;
    // The engine of a complete unpack; null until then.
    InstallEngine* installed_ = nullptr;
    bool startGameAfterVerify_ = false;
    bool committed_ = false;
};
