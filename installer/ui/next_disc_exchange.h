// The exchange between the package reader, waiting on the install worker for
// the next disc, and the prompt on the user-interface thread. The poll's
// state (whether this showing of the prompt has had its answer) belongs to
// the worker; the user's answer arrives in two flags; the folder crosses
// between the threads only inside the window's synchronous operations.
#pragma once

#include <atomic>
#include <string>

// What the poll asks of the prompt window; each runs on the window's thread.
class NextDiscWindow {
public:
    virtual ~NextDiscWindow() = default;
    // Stores the folder, shows it with a final "\", titles the window for
    // package `packageNumber`, shows it and brings it to the front.
    virtual void present(const std::wstring& folder, int packageNumber) = 0;
    // The stored folder: the one presented, or the one picked since.
    virtual std::wstring storedFolder() = 0;
    virtual void dismiss() = 0;
};

class NextDiscExchange {
public:
    static constexpr int kTryAgain = 0;
    static constexpr int kGiveUp = 1;
    static constexpr int kWaiting = 2;
    static constexpr int kDismiss = -1;

    explicit NextDiscExchange(NextDiscWindow& window) : window_(window) {}

    // The reader's next-disc callback: `folder` is the reader's package
    // folder, overwritten with the stored one once the prompt shows.
    int poll(std::wstring& folder, int packageNumber);

    // The user's answers, from the user-interface thread.
    void answerOk() { ok_ = true; }
    void answerCancel() { cancel_ = true; }
    void clearCancel() { cancel_ = false; }
    // Both answers forgotten, as when the window is created.
    void reset() {
        ok_ = false;
        cancel_ = false;
    }

private:
    NextDiscWindow& window_;
    std::atomic<bool> ok_{false};
    std::atomic<bool> cancel_{false};
    bool promptShown_ = false;
};
