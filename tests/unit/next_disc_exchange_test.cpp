#include "installer/ui/next_disc_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what the poll asked of the window; the stored folder can be
// changed as a browse would.
class FakeWindow : public NextDiscWindow {
public:
    void present(const std::wstring& folder, int packageNumber) override {
        stored = folder;
        shown = folder + L"\\";
        presented.push_back(packageNumber);
        visible = true;
    }
    std::wstring storedFolder() override { return stored; }
    void dismiss() override { visible = false; }

    std::wstring stored;
    std::wstring shown;
    std::vector<int> presented;
    bool visible = false;
};

TEST(NextDiscExchangeTest, ShowsOnceThenHandsBackTheStoredFolder) {
    FakeWindow window;
    NextDiscExchange exchange(window);
    std::wstring folder = L"D:\\Disc";
    EXPECT_EQ(exchange.poll(folder, 2), NextDiscExchange::kWaiting);
    EXPECT_EQ(window.shown, L"D:\\Disc\\");
    EXPECT_EQ(window.presented, std::vector<int>{2});
    // The user picks E:\ in the browser: stored as E:.
    window.stored = L"E:";
    EXPECT_EQ(exchange.poll(folder, 2), NextDiscExchange::kWaiting);
    EXPECT_EQ(folder, L"E:");
    EXPECT_EQ(window.presented.size(), 1u);
    // OK: try again with the folder the reader now holds.
    exchange.answerOk();
    EXPECT_EQ(exchange.poll(folder, 2), NextDiscExchange::kTryAgain);
    // Still missing: the next poll shows the prompt afresh.
    EXPECT_EQ(exchange.poll(folder, 2), NextDiscExchange::kWaiting);
    EXPECT_EQ(window.presented.size(), 2u);
    EXPECT_EQ(window.shown, L"E:\\");
}

TEST(NextDiscExchangeTest, CancelGivesUpAndDismissForgetsEverything) {
    FakeWindow window;
    NextDiscExchange exchange(window);
    std::wstring folder = L"D:";
    exchange.poll(folder, 3);
    exchange.answerCancel();
    EXPECT_EQ(exchange.poll(folder, 3), NextDiscExchange::kGiveUp);

    // An answer left over from before a package was found is forgotten.
    exchange.poll(folder, 3);
    exchange.answerOk();
    std::wstring none;
    EXPECT_EQ(exchange.poll(none, NextDiscExchange::kDismiss), NextDiscExchange::kWaiting);
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(exchange.poll(folder, 4), NextDiscExchange::kWaiting);
    EXPECT_EQ(window.presented.back(), 4);
}

}  // namespace
