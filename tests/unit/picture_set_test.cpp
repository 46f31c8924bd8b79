#include "installer/ui/picture_set.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(PictureIndex, FourPicturesSplitTheRangeInQuarters) {
    const int percents[] = {0, 24, 25, 49, 50, 74, 75, 99, 100};
    const int expected[] = {0, 0, 1, 1, 2, 2, 3, 3, 4};
    for (size_t i = 0; i < std::size(percents); ++i) {
        EXPECT_EQ(pictureIndexForProgress(4, percents[i]), expected[i]) << percents[i] << " %";
    }
}

TEST(PictureIndex, TenPicturesFollowTheSinglePrecisionQuotient) {
    // 0.7f and 0.9f lie just below 0.7 and 0.9, so 70 % and 90 % stay one
    // picture behind the exact product.
    const int percents[] = {69, 70, 71, 89, 90, 91};
    const int expected[] = {6, 6, 7, 8, 8, 9};
    for (size_t i = 0; i < std::size(percents); ++i) {
        EXPECT_EQ(pictureIndexForProgress(10, percents[i]), expected[i]) << percents[i] << " %";
    }
    EXPECT_EQ(pictureIndexForProgress(10, 100), 10);
}

TEST(PictureIndex, X87RegistersDoNotWidenTheQuotient) {
#if defined(__i386__) && !defined(__SSE2_MATH__)
    // Where floats live in 80-bit registers the quotient must still be
    // rounded to single precision, or 70 % of ten pictures becomes 7.
    for (int percent : {70, 90}) {
        EXPECT_EQ(pictureIndexForProgress(10, percent), percent / 10 - 1) << percent << " %";
    }
#else
    GTEST_SKIP() << "floats stay in single precision here: this check runs on the i686 build";
#endif
}

TEST(PictureIndex, UpToNinePicturesItIsTheIntegerShare) {
    for (int count = 0; count <= 9; ++count) {
        for (int percent = 0; percent <= 100; ++percent) {
            ASSERT_EQ(pictureIndexForProgress(count, percent), count * percent / 100)
                << count << " pictures, " << percent << " %";
        }
    }
}

TEST(PictureIndex, NoPicturesAndOddPercentagesStayDefined) {
    EXPECT_EQ(pictureIndexForProgress(0, 55), 0);
    EXPECT_EQ(pictureIndexForProgress(4, -50), -2);
    EXPECT_EQ(pictureIndexForProgress(4, 250), 10);
    EXPECT_GE(pictureIndexForProgress(10, 2147483647), kMaxPictures);
}

TEST(PictureCandidates, BackgroundFolderThenMediumFolder) {
    auto first = backgroundCandidates(L"D:\\Disc 1", true);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0].jpeg, L"D:\\Disc 1\\background\\setup0.jpg");
    EXPECT_EQ(first[0].bitmap, L"D:\\Disc 1\\background\\setup0.bmp");
    EXPECT_EQ(first[9].jpeg, L"D:\\Disc 1\\background\\setup9.jpg");
    auto second = backgroundCandidates(L"D:", false);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(second[3].jpeg, L"D:\\setup3.jpg");
    EXPECT_EQ(second[3].bitmap, L"D:\\setup3.bmp");
    EXPECT_EQ(logoCandidates(L"E:\\m"),
              (std::vector<std::wstring>{L"E:\\m\\background\\Logo.jpg", L"E:\\m\\Logo.jpg"}));
}

// A picture that remembers its file; empty when nothing was loaded.
struct FakePicture {
    std::wstring path;
    explicit operator bool() const { return !path.empty(); }
};

// Loads the files of a medium that exist and are usable; grey-scale JPEGs
// count as unusable, as the decoder's component count makes them.
class FakeMedium {
public:
    std::set<std::wstring> files;
    std::set<std::wstring> greyScale;
    std::vector<std::wstring> tried;

    std::vector<FakePicture> load() {
        return loadPictureSet<FakePicture>(L"M:", [this](const std::wstring& path, bool jpeg) {
            tried.push_back(path);
            const bool usable = files.count(path) != 0 && !(jpeg && greyScale.count(path) != 0);
            return FakePicture{usable ? path : std::wstring()};
        });
    }
};

std::vector<std::wstring> pathsOf(const std::vector<FakePicture>& pictures) {
    std::vector<std::wstring> paths;
    for (const auto& picture : pictures) {
        paths.push_back(picture.path);
    }
    return paths;
}

TEST(PictureSet, PicturesArePackedInNumberOrderWithoutGaps) {
    FakeMedium medium;
    medium.files = {L"M:\\background\\setup0.jpg", L"M:\\background\\setup2.bmp",
                    L"M:\\background\\setup5.jpg", L"M:\\setup1.jpg"};
    EXPECT_EQ(pathsOf(medium.load()), (std::vector<std::wstring>{L"M:\\background\\setup0.jpg",
                                                                 L"M:\\background\\setup2.bmp",
                                                                 L"M:\\background\\setup5.jpg"}));
    // The medium folder itself is not looked at once "background" gave pictures.
    for (const auto& path : medium.tried) {
        EXPECT_EQ(path.rfind(L"M:\\background\\", 0), 0u) << std::string(path.begin(), path.end());
    }
    // JPEG first, the bitmap only when the JPEG gave nothing.
    EXPECT_EQ(medium.tried.front(), L"M:\\background\\setup0.jpg");
    EXPECT_EQ(medium.tried[1], L"M:\\background\\setup1.jpg");
    EXPECT_EQ(medium.tried[2], L"M:\\background\\setup1.bmp");
}

TEST(PictureSet, GreyScaleJpegFallsBackToTheBitmap) {
    FakeMedium medium;
    medium.files = {L"M:\\background\\setup1.jpg", L"M:\\background\\setup1.bmp"};
    medium.greyScale = {L"M:\\background\\setup1.jpg"};
    EXPECT_EQ(pathsOf(medium.load()), (std::vector<std::wstring>{L"M:\\background\\setup1.bmp"}));
}

TEST(PictureSet, MediumFolderIsTheSecondPlaceToLook) {
    FakeMedium medium;
    medium.files = {L"M:\\setup3.bmp", L"M:\\setup7.jpg", L"M:\\background\\Logo.jpg"};
    EXPECT_EQ(pathsOf(medium.load()),
              (std::vector<std::wstring>{L"M:\\setup3.bmp", L"M:\\setup7.jpg"}));
    // A bitmap is tried only when its JPEG gave nothing: 20 tries under
    // "background", 19 in the medium folder.
    EXPECT_EQ(medium.tried.size(), 39u);
}

TEST(PictureSet, NothingFoundGivesNoPictures) {
    FakeMedium medium;
    EXPECT_TRUE(medium.load().empty());
}

}  // namespace
