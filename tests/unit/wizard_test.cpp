#include "installer/ui/wizard.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "installer/ui/screen_placement.h"

namespace {

WizardInputs allPages(bool packageCheckFlag = true) {
    WizardInputs inputs;
    inputs.packageCheckFlag = packageCheckFlag;
    inputs.pages.set();
    return inputs;
}

WizardInputs only(std::initializer_list<PageId> pages) {
    WizardInputs inputs;
    for (PageId page : pages) {
        inputs.pages.set(pageIndex(page));
    }
    return inputs;
}

// The ticks (1-based) on which a page was shown, over `ticks` ticks.
std::vector<int> ticksShowing(WizardState& state, const WizardInputs& inputs, PageId page,
                              int ticks) {
    std::vector<int> shown;
    for (int i = 1; i <= ticks; ++i) {
        WizardTick tick = advanceWizard(state, inputs);
        if (tick.show && tick.page == page) {
            shown.push_back(i);
        }
    }
    return shown;
}

TEST(WizardSteps, AgreementFirstShowsOnTheEleventhTickThenEveryEleven) {
    WizardState state;
    EXPECT_EQ(ticksShowing(state, allPages(), PageId::Agreement, 34),
              (std::vector<int>{11, 22, 33}));
    EXPECT_EQ(state.step, kAgreementStep);
}

TEST(WizardSteps, PathPageShowsOnEveryTick) {
    WizardState state;
    state.step = kPathStep;
    EXPECT_EQ(ticksShowing(state, allPages(), PageId::Path, 3), (std::vector<int>{1, 2, 3}));
}

TEST(WizardSteps, QuestionShowsOnTheSixthTickWhenTheCheckIsOffered) {
    WizardState state;
    state.step = kQuestionStep;
    EXPECT_EQ(ticksShowing(state, allPages(), PageId::Confirm, 12), (std::vector<int>{6, 12}));
    EXPECT_EQ(state.step, kQuestionStep);
}

TEST(WizardSteps, QuestionCountContinuesFromTheAgreementCount) {
    // Agree pressed when the agreement count stood at 3: the count is shared.
    WizardState state;
    state.step = kQuestionStep;
    state.tickCount = 3;
    EXPECT_EQ(ticksShowing(state, allPages(), PageId::Confirm, 3), (std::vector<int>{3}));
}

TEST(WizardSteps, WithoutPackageCheckTheQuestionIsSkippedToTheInstall) {
    WizardState state;
    state.step = kQuestionStep;
    const WizardInputs inputs = allPages(false);
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(advanceWizard(state, inputs).show);
        EXPECT_EQ(state.step, kQuestionStep);
    }
    WizardTick sixth = advanceWizard(state, inputs);
    EXPECT_FALSE(sixth.show);
    EXPECT_EQ(state.step, kInstallStep);
    WizardTick seventh = advanceWizard(state, inputs);
    EXPECT_TRUE(seventh.show);
    EXPECT_EQ(seventh.page, PageId::InstallProgress);
    EXPECT_TRUE(seventh.start);
}

TEST(WizardSteps, WorkStepsStartOnceAndThenShowNothing) {
    struct Case {
        int step;
        PageId page;
        bool WizardState::*started;
    };
    const Case cases[] = {
        {kPackageCheckStep, PageId::PackageCheck, &WizardState::packageCheckStarted},
        {kInstallStep, PageId::InstallProgress, &WizardState::installStarted},
        {kVerifyStep, PageId::FileVerify, &WizardState::verifyStarted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        WizardState state;
        state.step = c.step;
        WizardTick first = advanceWizard(state, allPages());
        EXPECT_TRUE(first.show);
        EXPECT_TRUE(first.start);
        EXPECT_EQ(first.page, c.page);
        EXPECT_TRUE(state.*c.started);
        for (int i = 0; i < 3; ++i) {
            WizardTick later = advanceWizard(state, allPages());
            EXPECT_FALSE(later.show);
            EXPECT_FALSE(later.start);
        }
    }
}

TEST(WizardSteps, FinishShowsOnEveryTick) {
    WizardState state;
    state.step = kFinishStep;
    EXPECT_EQ(ticksShowing(state, allPages(), PageId::Finish, 2), (std::vector<int>{1, 2}));
}

TEST(WizardSteps, StepWithoutItsPageShowsNothingAndWaits) {
    // Only the pages of this build: a missing page's step asks for its page
    // (which hides the others) but starts nothing and stays where it is.
    const WizardInputs inputs = only({PageId::Agreement, PageId::Confirm});
    const std::pair<int, PageId> steps[] = {
        {kPathStep, PageId::Path},
        {kPackageCheckStep, PageId::PackageCheck},
        {kInstallStep, PageId::InstallProgress},
        {kFinishStep, PageId::Finish},
        {kVerifyStep, PageId::FileVerify},
    };
    for (const auto& [step, page] : steps) {
        SCOPED_TRACE(step);
        WizardState state;
        state.step = step;
        for (int i = 0; i < 12; ++i) {
            WizardTick tick = advanceWizard(state, inputs);
            EXPECT_TRUE(tick.show);
            EXPECT_EQ(tick.page, page);
            EXPECT_FALSE(tick.start);
            EXPECT_FALSE(tick.close);
        }
        EXPECT_EQ(state.step, step);
        EXPECT_FALSE(state.packageCheckStarted || state.installStarted || state.verifyStarted);
    }
}

TEST(WizardSteps, StopRequestClosesOnAnyStep) {
    for (int step = kAgreementStep; step <= kVerifyStep; ++step) {
        WizardState state;
        state.step = step;
        WizardInputs inputs = allPages();
        inputs.stopRequested = true;
        WizardTick tick = advanceWizard(state, inputs);
        EXPECT_TRUE(tick.close);
        EXPECT_FALSE(tick.show);
        EXPECT_FALSE(tick.start);
    }
}

TEST(WizardSteps, StepOutsideTheTableShowsNothing) {
    for (int step : {-1, 7, 100}) {
        WizardState state;
        state.step = step;
        WizardTick tick = advanceWizard(state, allPages());
        EXPECT_FALSE(tick.show || tick.close || tick.start);
        EXPECT_EQ(state.step, step);
    }
}

TEST(StepCounter, PagesMoveOnlyFromTheirOwnStep) {
    StepCounter steps;
    EXPECT_EQ(steps.current(), kAgreementStep);
    EXPECT_TRUE(steps.move(kAgreementStep, 1));
    // A second "agree" before the next tick does not skip the path page.
    EXPECT_FALSE(steps.move(kAgreementStep, 1));
    EXPECT_EQ(steps.current(), kPathStep);
    EXPECT_TRUE(steps.move(kPathStep, 1));
    // The question's cancel skips the package check, once.
    EXPECT_TRUE(steps.move(kQuestionStep, 2));
    EXPECT_FALSE(steps.move(kQuestionStep, 2));
    EXPECT_EQ(steps.current(), kInstallStep);
    EXPECT_FALSE(steps.replace(kQuestionStep, kInstallStep));
    steps.reset();
    EXPECT_EQ(steps.current(), kAgreementStep);
}

TEST(StepCounter, ConcurrentMovesFromOneStepCountOnce) {
    StepCounter steps;
    steps.move(kAgreementStep, kPackageCheckStep);
    std::vector<std::thread> threads;
    std::atomic<int> succeeded{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (steps.move(kPackageCheckStep, 1)) {
                ++succeeded;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(succeeded.load(), 1);
    EXPECT_EQ(steps.current(), kInstallStep);
}

TEST(LogoCountdown, EndsOnTheTwentySecondTick) {
    LogoCountdown countdown;
    for (int tick = 1; tick <= 21; ++tick) {
        EXPECT_FALSE(countdown.tick()) << tick;
    }
    EXPECT_EQ(countdown.tickCount(), 21);
    EXPECT_TRUE(countdown.tick());
}

TEST(ScreenPlacement, CaptionLiesAboveTheTopEdge) {
    // A window at the top of the screen whose bottom lies 25 pixels below its
    // 300-pixel client area: the window moves up by those 25 pixels, and grows
    // by three times that, so that it reaches below the bottom edge.
    WindowPlacement place = fullScreenPlacement(325, 300, 1024, 749);
    EXPECT_EQ(place.x, -1);
    EXPECT_EQ(place.y, -25);
    EXPECT_EQ(place.width, 1026);
    EXPECT_EQ(place.height, 749 + 75 + 3);
}

TEST(ScreenPlacement, PagesGoAtTheBottomRightOfWhatIsOnTheScreen) {
    const struct {
        int right, bottom, width, height, dpi;
        int x, y;
    } rows[] = {
        {1024, 768, 400, 200, 96, 608, 520},
        // 16 and 48 pixels become 24 and 72 at 144 dpi.
        {1024, 768, 600, 300, 144, 400, 396},
        // A page larger than the screen keeps its top-left corner on it.
        {640, 480, 800, 600, 96, 0, 0},
    };
    for (const auto& row : rows) {
        const WindowOrigin origin =
            bottomRightIn(0, 0, row.right, row.bottom, row.width, row.height, row.dpi);
        EXPECT_EQ(origin.x, row.x) << row.width;
        EXPECT_EQ(origin.y, row.y) << row.width;
    }
}

}  // namespace
