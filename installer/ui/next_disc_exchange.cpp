#include "installer/ui/next_disc_exchange.h"

int NextDiscExchange::poll(std::wstring& folder, int packageNumber) {
    if (packageNumber == kDismiss) {
        window_.dismiss();
        reset();
        promptShown_ = false;
        return kWaiting;
    }
    if (!promptShown_) {
        window_.present(folder, packageNumber);
        promptShown_ = true;
    } else {
        folder = window_.storedFolder();
    }
    if (cancel_.exchange(false)) {
        promptShown_ = false;
        return kGiveUp;
    }
    if (ok_.exchange(false)) {
        promptShown_ = false;
        return kTryAgain;
    }
    return kWaiting;
}
