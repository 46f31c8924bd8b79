// The check of the packages on the medium before anything is installed: each
// data%d.pck is hashed and its digest text compared with pck%d of [md5code].
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/platform.h"

// What the check shows while it runs. The dialog passes each call on to its
// window, so the calls may come from the check's worker thread.
class PackageCheckView {
public:
    virtual ~PackageCheckView() = default;
    // A package begins: the title names it and the bar goes back to 0.
    virtual void beginPackage(const std::wstring& title) = 0;
    virtual void showProgress(int percent) = 0;
    // A package is not in the folder at hand (a set of several discs): the
    // next-disc callback's answer (see NextDiscQuestion); giving up (1) ends
    // the check.
    virtual int nextDisc(std::wstring& folder, int packageNumber) = 0;
};

struct PackageCheckTexts {
    std::wstring titleFormat;     // one integer placeholder: the package number
    std::wstring mismatchFormat;  // one integer placeholder: the package number
};

enum class PackageCheckResult {
    Passed,   // every listed package matched, or none is listed
    Stopped,  // a mismatch, an unreadable package or a confirmed cancel
};

// Checks packages 1 to expectedDigests.size(), looking for each in the folder
// where the last one was, starting with mediumFolder, and asking the view for
// another folder when one is not there. The digest texts are compared
// exactly, letter case included. A mismatch is shown (stop icon) before the
// answer; `stop` is looked at after every block. Packages that lie in the
// folder at hand are hashed `jobs` at a time (default: one per processor, at
// least two); on an optical drive one at a time, the next block read while
// the last is hashed, since reads side by side make a disc seek back and
// forth. The view, the messages and the order of failures are those of one
// package after another.
PackageCheckResult CheckPackages(Platform& platform, UserPrompt& prompt,
                                 const std::wstring& mediumFolder,
                                 const std::vector<std::wstring>& expectedDigests,
                                 const PackageCheckTexts& texts, PackageCheckView& view,
                                 const std::atomic<bool>& stop, int jobs = 0);
