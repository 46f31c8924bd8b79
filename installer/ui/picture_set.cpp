#include "installer/ui/picture_set.h"

#include <cmath>
#include <limits>

std::vector<PictureCandidate> backgroundCandidates(const std::wstring& mediumFolder,
                                                   bool inBackgroundFolder) {
    const std::wstring folder = mediumFolder + (inBackgroundFolder ? L"\\background" : L"");
    std::vector<PictureCandidate> candidates;
    for (int i = 0; i < kMaxPictures; ++i) {
        const std::wstring stem = folder + L"\\setup" + std::to_wstring(i);
        candidates.push_back({stem + L".jpg", stem + L".bmp"});
    }
    return candidates;
}

std::vector<std::wstring> logoCandidates(const std::wstring& mediumFolder) {
    return {mediumFolder + L"\\background\\Logo.jpg", mediumFolder + L"\\Logo.jpg"};
}

int pictureIndexForProgress(int pictureCount, int percent) {
    // The single-precision quotient is what makes 70 % of ten pictures 6. The
    // store through volatile rounds it to single precision also where the
    // compiler would keep it in an x87 register with more bits (i686).
    const volatile float share = static_cast<float>(percent) / 100.0f;
    const double index = std::trunc(static_cast<double>(pictureCount) * static_cast<double>(share));
    // Percentages come from window messages; keep absurd ones defined.
    if (index > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (index < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(index);
}
