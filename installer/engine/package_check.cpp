#include "installer/engine/package_check.h"

#include "common/formats.h"
#include "common/text.h"
#include "installer/engine/file_hash.h"
#include "installer/engine/next_package.h"

PackageCheckResult CheckPackages(Platform& platform, UserPrompt& prompt,
                                 const std::wstring& mediumFolder,
                                 const std::vector<std::wstring>& expectedDigests,
                                 const PackageCheckTexts& texts, PackageCheckView& view,
                                 const std::atomic<bool>& stop) {
    std::wstring folder = mediumFolder;
    for (size_t i = 0; i < expectedDigests.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        view.beginPackage(fillIntegerFormat(texts.titleFormat, number));
        if (!waitForPackage(
                platform, folder, number,
                [&view](std::wstring& asked, int package) { return view.nextDisc(asked, package); },
                [&](const std::wstring& where) {
                    return platform.fileExists(packagePath(where, number));
                },
                FoundNotice::AfterAsking, stop)) {
            return PackageCheckResult::Stopped;
        }
        const auto digest = HashFileMd5(
            platform, prompt, packagePath(folder, number),
            [&view](int percent) { view.showProgress(percent); }, &stop);
        if (!digest) {
            return PackageCheckResult::Stopped;
        }
        // An empty text (a package of size 0, or one whose size is unknown)
        // never matches a listed digest.
        if (digest->empty() || platform.wideFromAnsi(*digest) != expectedDigests[i]) {
            prompt.showMessage(fillIntegerFormat(texts.mismatchFormat, number), MessageIcon::Stop);
            return PackageCheckResult::Stopped;
        }
    }
    return PackageCheckResult::Passed;
}
