// Where the background pictures and the logo come from, how they are packed,
// and which picture an install percentage shows.
#pragma once

#include <string>
#include <utility>
#include <vector>

constexpr int kMaxPictures = 10;

// The two files tried for one picture number, JPEG first.
struct PictureCandidate {
    std::wstring jpeg;
    std::wstring bitmap;
};

// "%s\background\setup%d.jpg"/".bmp" for the numbers 0 to 9 (first pass), or
// "%s\setup%d.jpg"/".bmp" directly in the medium folder (second pass).
std::vector<PictureCandidate> backgroundCandidates(const std::wstring& mediumFolder,
                                                   bool inBackgroundFolder);

// "%s\background\Logo.jpg", then "%s\Logo.jpg": only JPEG files are tried.
std::vector<std::wstring> logoCandidates(const std::wstring& mediumFolder);

// The picture for an overall percentage: the quotient p / 100 is rounded to
// single precision before it is multiplied by the count, and the product is
// truncated. At 100 % the index is the count itself (no such picture, so the
// last one stays).
int pictureIndexForProgress(int pictureCount, int percent);

// Loads the background pictures, packed from index 0: for each number the
// JPEG, else the bitmap; numbers without either leave no gap. The medium
// folder itself is searched only when "background" gave nothing. `load` takes
// a path and a flag (true for JPEG) and answers a picture that tests false
// when nothing could be loaded.
template <typename Picture, typename Loader>
std::vector<Picture> loadPictureSet(const std::wstring& mediumFolder, Loader&& load) {
    std::vector<Picture> pictures;
    for (bool inBackground : {true, false}) {
        for (const auto& candidate : backgroundCandidates(mediumFolder, inBackground)) {
            Picture picture = load(candidate.jpeg, true);
            if (!picture) {
                picture = load(candidate.bitmap, false);
            }
            if (picture) {
                pictures.push_back(std::move(picture));
            }
        }
        if (!pictures.empty()) {
            break;
        }
    }
    return pictures;
}
