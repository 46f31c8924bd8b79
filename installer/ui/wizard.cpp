#include "installer/ui/wizard.h"

namespace {

// Step 0 counts ticks before it shows its page; step 2 goes on from that count.
bool countTick(WizardState& state, int limit) {
    if (state.tickCount < limit) {
        ++state.tickCount;
        return false;
    }
    state.tickCount = 0;
    return true;
}

WizardTick showing(PageId page) {
    WizardTick tick;
    tick.show = true;
    tick.page = page;
    return tick;
}

// A missing page keeps its step waiting: nothing is started, and the work
// does not count as started.
WizardTick startingOnce(PageId page, bool& started, const WizardInputs& inputs) {
    if (started) {
        return {};
    }
    WizardTick tick = showing(page);
    if (inputs.pages.test(pageIndex(page))) {
        started = true;
        tick.start = true;
    }
    return tick;
}

}  // namespace

WizardTick advanceWizard(WizardState& state, const WizardInputs& inputs) {
    if (inputs.stopRequested) {
        WizardTick tick;
        tick.close = true;
        return tick;
    }
    switch (state.step) {
        case kAgreementStep:
            if (countTick(state, 10)) {
                return showing(PageId::Agreement);
            }
            break;
        case kPathStep:
            return showing(PageId::Path);
        case kQuestionStep:
            if (state.tickCount < 5) {
                ++state.tickCount;
            } else if (!inputs.packageCheckFlag) {
                state.step = kInstallStep;
            } else {
                state.tickCount = 0;
                return showing(PageId::Confirm);
            }
            break;
        case kPackageCheckStep:
            return startingOnce(PageId::PackageCheck, state.packageCheckStarted, inputs);
        case kInstallStep:
            return startingOnce(PageId::InstallProgress, state.installStarted, inputs);
        case kFinishStep:
            return showing(PageId::Finish);
        case kVerifyStep:
            return startingOnce(PageId::FileVerify, state.verifyStarted, inputs);
        default:
            // A step outside the table shows nothing.
            break;
    }
    return {};
}

bool LogoCountdown::tick() {
    if (tickCount_ > kLastCountedTick) {
        return true;
    }
    ++tickCount_;
    return false;
}
