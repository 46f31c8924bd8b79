#include "installer/engine/next_package.h"

#include "common/formats.h"

namespace {

constexpr int kLookAgain = 0;
constexpr int kGiveUp = 1;
constexpr int kFound = -1;
constexpr unsigned kPollDelayMs = 1000;

}  // namespace

bool waitForPackage(Platform& platform, std::wstring& folder, int number,
                    const NextDiscQuestion& ask, const std::atomic<bool>& stop) {
    bool asked = false;
    while (!platform.fileExists(packagePath(folder, number))) {
        for (;;) {
            if (stop.load()) {
                return false;
            }
            asked = true;
            const int answer = ask(folder, number);
            if (answer == kLookAgain) {
                break;
            }
            if (answer == kGiveUp) {
                return false;
            }
            platform.sleep(kPollDelayMs);
            // On the NT family the folder is looked at every second, so
            // inserting the disc is enough; 9x only polls the prompt.
            if (platform.isNtFamily()) {
                break;
            }
        }
    }
    if (asked) {
        std::wstring none;
        ask(none, kFound);
    }
    return true;
}
