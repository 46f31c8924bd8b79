#include "installer/engine/package_check.h"

#include <optional>

#include "common/formats.h"
#include "common/ordered_jobs.h"
#include "common/text.h"
#include "installer/engine/file_hash.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/next_package.h"

namespace {

struct PackageDigest {
    std::optional<std::string> digest;
    KeptMessages messages;
};

// A folder without a drive letter is asked about as it stands.
bool onOpticalDrive(Platform& platform, const std::wstring& folder) {
    const bool lettered = folder.size() >= 2 && folder[1] == L':';
    return platform.driveType(lettered ? folder.substr(0, 2) + L"\\" : folder) == DriveKind::CdRom;
}

}  // namespace

PackageCheckResult CheckPackages(Platform& platform, UserPrompt& prompt,
                                 const std::wstring& mediumFolder,
                                 const std::vector<std::wstring>& expectedDigests,
                                 const PackageCheckTexts& texts, PackageCheckView& view,
                                 const std::atomic<bool>& stop, int jobs) {
    if (expectedDigests.empty()) {
        return PackageCheckResult::Passed;
    }
    const bool optical = onOpticalDrive(platform, mediumFolder);
    const int threads = optical ? 1 : jobs > 0 ? jobs : std::max(2, processorCount());
    const HashReads reads = optical ? HashReads::Overlapped : HashReads::InTurn;
    // Declared before the pool, so that they outlive its threads.
    std::vector<PackageDigest> digests(static_cast<size_t>(threads) + 1);
    OrderedJobs pool(threads, digests.size());
    std::wstring folder = mediumFolder;
    size_t given = 0;
    auto give = [&](size_t index) {
        PackageDigest& result = digests[pool.nextSlot()];
        result = PackageDigest{};
        const std::wstring path = packagePath(folder, static_cast<int>(index + 1));
        pool.give([&platform, &stop, &result, path, reads](OrderedJobs::Job& job) {
            MessageKeeper keeper(result.messages);
            result.digest = HashFileMd5(
                platform, keeper, path, [&job](int percent) { job.progress(percent); },
                [&job, &stop] { return job.stopped() || stop.load(); }, reads);
        });
        ++given;
    };
    for (size_t i = 0; i < expectedDigests.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        view.beginPackage(fillIntegerFormat(texts.titleFormat, number));
        if (i == given) {
            if (!waitForPackage(
                    platform, folder, number,
                    [&view](std::wstring& asked, int package) {
                        return view.nextDisc(asked, package);
                    },
                    [&](const std::wstring& where) {
                        return platform.fileExists(packagePath(where, number));
                    },
                    FoundNotice::AfterAsking, stop)) {
                return PackageCheckResult::Stopped;
            }
            give(i);
        }
        // The packages after it that lie in the same folder are hashed
        // meanwhile; one that is not there is asked for in its turn.
        while (given < expectedDigests.size() && !pool.full() &&
               platform.fileExists(packagePath(folder, static_cast<int>(given + 1)))) {
            give(given);
        }
        const auto slot = pool.collect([&view, &stop](int percent) {
            view.showProgress(percent);
            return !stop.load();
        });
        if (!slot) {
            return PackageCheckResult::Stopped;
        }
        const PackageDigest& result = digests[*slot];
        for (const auto& [text, icon] : result.messages) {
            prompt.showMessage(text, icon);
        }
        if (!result.digest) {
            return PackageCheckResult::Stopped;
        }
        // An empty text (a package of size 0, or one whose size is unknown)
        // never matches a listed digest.
        if (result.digest->empty() || platform.wideFromAnsi(*result.digest) != expectedDigests[i]) {
            prompt.showMessage(fillIntegerFormat(texts.mismatchFormat, number), MessageIcon::Stop);
            return PackageCheckResult::Stopped;
        }
    }
    return PackageCheckResult::Passed;
}
