// The wizard's step machine without windows: which page a timer tick shows,
// when a step's one-time work starts, and how pages move the step on.
#pragma once

#include <atomic>
#include <bitset>
#include <cstddef>

// The pages of the main window. The order is the order in which showPage
// hides them.
enum class PageId : size_t {
    Agreement,
    Path,
    InstallProgress,
    Finish,
    PackageCheck,
    FileVerify,
    Confirm,
};
constexpr size_t kPageCount = 7;
constexpr size_t pageIndex(PageId page) {
    return static_cast<size_t>(page);
}

// The steps; pages move between them by adding to or subtracting from the
// current one.
enum WizardStepNumber : int {
    kAgreementStep = 0,
    kPathStep = 1,
    kQuestionStep = 2,
    kPackageCheckStep = 3,
    kInstallStep = 4,
    kFinishStep = 5,
    kVerifyStep = 6,
};

// The main window's timer period, shared by the logo and agreement timers.
constexpr unsigned kWizardTimerMs = 100;

// What the timer carries from tick to tick.
struct WizardState {
    int step = kAgreementStep;
    int tickCount = 0;
    bool packageCheckStarted = false;
    bool installStarted = false;
    bool verifyStarted = false;
};

struct WizardInputs {
    bool packageCheckFlag = true;
    // The package check's stop flag or the verification's quit request.
    bool stopRequested = false;
    // Pages that exist; a step whose page is missing shows nothing and waits.
    std::bitset<kPageCount> pages;
};

struct WizardTick {
    bool close = false;
    // Show `page` and hide the others; a page that does not exist leaves
    // all of them hidden.
    bool show = false;
    PageId page = PageId::Agreement;
    // The shown page runs its one-time work (steps 3, 4 and 6); only ever
    // for a page that exists.
    bool start = false;
};

// One tick of the 100 ms timer: updates the state and says what to do.
WizardTick advanceWizard(WizardState& state, const WizardInputs& inputs);

// The current step, shared with the pages and the workers that move it. A
// move names the step it leaves, so that a second click (or a late worker)
// delivered before the next tick cannot move the wizard twice.
class StepCounter {
public:
    int current() const { return step_.load(); }
    // Moves from `from` by `delta`; false (and nothing changes) when the
    // wizard is no longer at `from`.
    bool move(int from, int delta) { return step_.compare_exchange_strong(from, from + delta); }
    // The timer's own change of step 2 to step 4.
    bool replace(int expected, int next) { return step_.compare_exchange_strong(expected, next); }
    void reset() { step_.store(kAgreementStep); }

private:
    std::atomic<int> step_{kAgreementStep};
};

// The logo's timer: ends the window on the 22nd tick. Answers true on the tick
// that ends it.
class LogoCountdown {
public:
    static constexpr int kLastCountedTick = 20;
    bool tick();
    int tickCount() const { return tickCount_; }

private:
    int tickCount_ = 0;
};
