// JPGI.dll through its two exported calls, on pictures that Debian's cjpeg and
// ImageMagick encoded at build time (tests/unit/make_jpeg_pictures.cmake).
#include "jpgi.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/win/handles_win.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The build tree's Linux folder, reached under Wine through drive Z:.
std::string picturePath(const std::string& name) {
    std::string path = std::string("Z:") + CKV_JPGI_TEST_PICTURES + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

Bytes readPicture(const std::string& name) {
    std::ifstream in(picturePath(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

int sizeOf(const Bytes& data) {
    return static_cast<int>(data.size());
}

struct Bgr {
    int blue;
    int green;
    int red;
};

// JPEG is lossy; flat blocks at quality 100 come back within a step or two.
constexpr int kTolerance = 3;

::testing::AssertionResult closeTo(const Bgr& actual, const Bgr& expected) {
    if (std::abs(actual.blue - expected.blue) <= kTolerance &&
        std::abs(actual.green - expected.green) <= kTolerance &&
        std::abs(actual.red - expected.red) <= kTolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "BGR " << actual.blue << "," << actual.green << "," << actual.red << " expected "
           << expected.blue << "," << expected.green << "," << expected.red;
}

constexpr Bgr kRed{0, 0, 255};
constexpr Bgr kGreen{0, 255, 0};
constexpr Bgr kBlue{255, 0, 0};
constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kYellow{0, 255, 255};

constexpr unsigned char kUnwritten = 0xCD;
constexpr size_t kGuardBytes = 64;

// The pixel memory of a 24-bit bottom-up bitmap, as CreateDIBSection lays it out,
// followed by guard bytes. Every byte starts as kUnwritten.
class BitmapBuffer {
public:
    BitmapBuffer(int width, int height)
        : width_(width),
          height_(height),
          // The row size rule of BITMAPINFOHEADER.
          stride_(((static_cast<size_t>(width) * 24 + 31) / 32) * 4),
          bytes_(stride_ * static_cast<size_t>(height) + kGuardBytes, kUnwritten) {}

    unsigned char* pixels() { return bytes_.data(); }
    size_t stride() const { return stride_; }
    size_t area() const { return stride_ * static_cast<size_t>(height_); }

    // y counts from the top of the picture; the top row is the buffer's last.
    Bgr pixel(int x, int y) const {
        const unsigned char* p =
            bytes_.data() + static_cast<size_t>(height_ - 1 - y) * stride_ + 3 * x;
        return Bgr{p[0], p[1], p[2]};
    }
    bool guardIntact() const {
        return std::all_of(bytes_.begin() + static_cast<long>(area()), bytes_.end(),
                           [](unsigned char b) { return b == kUnwritten; });
    }
    bool paddingUnwritten() const {
        for (int row = 0; row < height_; ++row) {
            for (size_t i = 3 * static_cast<size_t>(width_); i < stride_; ++i) {
                if (bytes_[row * stride_ + i] != kUnwritten) {
                    return false;
                }
            }
        }
        return true;
    }
    bool areaBlack() const {
        return std::all_of(bytes_.begin(), bytes_.begin() + static_cast<long>(area()),
                           [](unsigned char b) { return b == 0; });
    }
    bool areaUnwritten() const {
        return std::all_of(bytes_.begin(), bytes_.begin() + static_cast<long>(area()),
                           [](unsigned char b) { return b == kUnwritten; });
    }

private:
    int width_;
    int height_;
    size_t stride_;
    Bytes bytes_;
};

struct Parameters {
    int result;
    int width;
    int height;
    int components;
};

// Starts the outputs at values a failed call must not leave behind.
Parameters parametersOf(const Bytes& data, int size) {
    Parameters p{-1, 77, 77, 3};
    p.result = JPEGGetParameter(data.data(), size, &p.width, &p.height, &p.components);
    return p;
}
Parameters parametersOf(const Bytes& data) {
    return parametersOf(data, sizeOf(data));
}

int decode(BitmapBuffer& buffer, const Bytes& data, int width, int height, int size) {
    return JPEGDeCompressRGB(buffer.pixels(), data.data(), width, height, size);
}

// A failed call: the answer, zero outputs, and a black picture within the bitmap.
void expectRefused(const Bytes& data, int size, int width, int height) {
    Parameters p = parametersOf(data, size);
    if (p.result == kJpgiFailure) {
        EXPECT_EQ(p.width, 0);
        EXPECT_EQ(p.height, 0);
        EXPECT_EQ(p.components, 0);
    }
    BitmapBuffer buffer(width, height);
    EXPECT_EQ(decode(buffer, data, width, height, size), kJpgiFailure);
    EXPECT_TRUE(buffer.areaBlack());
    EXPECT_TRUE(buffer.guardIntact());
}

// --- Header parameters --------------------------------------------------------------

TEST(JpgiParameters, ReportSizeAndComponents) {
    struct Case {
        const char* name;
        int width;
        int height;
        int components;
    };
    for (const Case& c :
         {Case{"quadrants-444.jpg", 32, 32, 3}, Case{"quadrants-420.jpg", 32, 32, 3},
          Case{"quadrants-progressive.jpg", 32, 32, 3}, Case{"quadrants-rgb.jpg", 32, 32, 3},
          Case{"stripes-3x16.jpg", 3, 16, 3}, Case{"stripes-5x16.jpg", 5, 16, 3},
          Case{"stripes-7x16.jpg", 7, 16, 3}, Case{"pixel.jpg", 1, 1, 3},
          Case{"grey.jpg", 16, 16, 1}, Case{"cmyk.jpg", 16, 16, 4}}) {
        Bytes data = readPicture(c.name);
        ASSERT_FALSE(data.empty()) << picturePath(c.name);
        Parameters p = parametersOf(data);
        EXPECT_EQ(p.result, kJpgiSuccess) << c.name;
        EXPECT_EQ(p.width, c.width) << c.name;
        EXPECT_EQ(p.height, c.height) << c.name;
        EXPECT_EQ(p.components, c.components) << c.name;
    }
}

TEST(JpgiParameters, FailureZeroesEveryOutput) {
    Bytes data = readPicture("pixel.jpg");
    ASSERT_FALSE(data.empty());
    Bytes noise(data.size(), 0x5A);
    for (const Parameters& p : {parametersOf(noise), parametersOf(data, 0), parametersOf(data, -5),
                                parametersOf(data, 2), parametersOf(Bytes{}, 0)}) {
        EXPECT_EQ(p.result, kJpgiFailure);
        EXPECT_EQ(p.width, 0);
        EXPECT_EQ(p.height, 0);
        EXPECT_EQ(p.components, 0);
    }
    EXPECT_EQ(JPEGGetParameter(nullptr, 100, nullptr, nullptr, nullptr), kJpgiFailure);
    // A missing output fails the call; the others are still cleared.
    int width = 9;
    int components = 9;
    EXPECT_EQ(JPEGGetParameter(data.data(), sizeOf(data), &width, nullptr, &components),
              kJpgiFailure);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(components, 0);
}

// --- Pixel layout -------------------------------------------------------------------

// Red, green / blue, white in 16x16 quadrants, every encoding cjpeg offers.
class JpgiQuadrants : public ::testing::TestWithParam<const char*> {};

TEST_P(JpgiQuadrants, DecodeInBlueGreenRedOrderBottomRowFirst) {
    Bytes data = readPicture(GetParam());
    ASSERT_FALSE(data.empty()) << picturePath(GetParam());
    BitmapBuffer buffer(32, 32);
    ASSERT_EQ(buffer.stride(), 96U);
    ASSERT_EQ(decode(buffer, data, 32, 32, sizeOf(data)), kJpgiSuccess);
    EXPECT_TRUE(buffer.guardIntact());
    // With 2x2 chroma subsampling the colours blend across the quadrant borders.
    int margin = std::string(GetParam()) == "quadrants-420.jpg" ? 2 : 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (std::abs(2 * x - 31) < 2 * margin || std::abs(2 * y - 31) < 2 * margin) {
                continue;
            }
            Bgr expected = y < 16 ? (x < 16 ? kRed : kGreen) : (x < 16 ? kBlue : kWhite);
            ASSERT_TRUE(closeTo(buffer.pixel(x, y), expected)) << "x " << x << " y " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, JpgiQuadrants,
                         ::testing::Values("quadrants-444.jpg", "quadrants-420.jpg",
                                           "quadrants-progressive.jpg", "quadrants-arithmetic.jpg",
                                           "quadrants-restart.jpg", "quadrants-rgb.jpg"));

TEST(JpgiLayout, RowsOfOddWidthsArePaddedToFourBytes) {
    for (int width : {3, 5, 7}) {
        std::string name = "stripes-" + std::to_string(width) + "x16.jpg";
        Bytes data = readPicture(name);
        ASSERT_FALSE(data.empty()) << picturePath(name);
        BitmapBuffer buffer(width, 16);
        const size_t expectedStride[] = {0, 0, 0, 12, 0, 16, 0, 24};
        ASSERT_EQ(buffer.stride(), expectedStride[width]);
        ASSERT_EQ(decode(buffer, data, width, 16, sizeOf(data)), kJpgiSuccess) << name;
        EXPECT_TRUE(buffer.paddingUnwritten()) << name;
        EXPECT_TRUE(buffer.guardIntact()) << name;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_TRUE(closeTo(buffer.pixel(x, y), y < 8 ? kBlue : kYellow))
                    << name << " x " << x << " y " << y;
            }
        }
    }
}

TEST(JpgiLayout, OnePixelPicture) {
    Bytes data = readPicture("pixel.jpg");
    ASSERT_FALSE(data.empty());
    BitmapBuffer buffer(1, 1);
    ASSERT_EQ(buffer.stride(), 4U);
    ASSERT_EQ(decode(buffer, data, 1, 1, sizeOf(data)), kJpgiSuccess);
    EXPECT_TRUE(closeTo(buffer.pixel(0, 0), Bgr{50, 100, 200}));
    EXPECT_TRUE(buffer.paddingUnwritten());
    EXPECT_TRUE(buffer.guardIntact());
}

TEST(JpgiLayout, GreyScaleComesOutAsGreyPixels) {
    Bytes data = readPicture("grey.jpg");
    ASSERT_FALSE(data.empty());
    BitmapBuffer buffer(16, 16);
    ASSERT_EQ(decode(buffer, data, 16, 16, sizeOf(data)), kJpgiSuccess);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            Bgr p = buffer.pixel(x, y);
            int level = y < 8 ? 40 : 220;
            ASSERT_TRUE(closeTo(p, Bgr{level, level, level})) << "x " << x << " y " << y;
            ASSERT_TRUE(p.blue == p.green && p.green == p.red);
        }
    }
}

// The installer's own path: a 24-bit DIB section with a positive height, filled by
// JPEGDeCompressRGB, read back through GDI, which knows the layout independently.
TEST(JpgiLayout, FillsADeviceIndependentBitmapAsGdiReadsIt) {
    for (const char* name : {"quadrants-444.jpg", "stripes-5x16.jpg"}) {
        Bytes data = readPicture(name);
        ASSERT_FALSE(data.empty()) << picturePath(name);
        Parameters p = parametersOf(data);
        ASSERT_EQ(p.components, 3);

        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = p.width;
        info.bmiHeader.biHeight = p.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        WindowDc screen(nullptr);
        void* bits = nullptr;
        BitmapHandle bitmap(
            CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        ASSERT_TRUE(bitmap);
        ASSERT_EQ(JPEGDeCompressRGB(bits, data.data(), p.width, p.height, sizeOf(data)),
                  kJpgiSuccess);
        GdiFlush();

        MemoryDc canvas(CreateCompatibleDC(screen.get()));
        ASSERT_TRUE(canvas);
        SelectedObject selected(canvas.get(), bitmap.get());
        auto gdiPixel = [&](int x, int y) {
            COLORREF c = GetPixel(canvas.get(), x, y);
            return Bgr{GetBValue(c), GetGValue(c), GetRValue(c)};
        };
        if (p.width == 32) {
            EXPECT_TRUE(closeTo(gdiPixel(4, 4), kRed));
            EXPECT_TRUE(closeTo(gdiPixel(27, 4), kGreen));
            EXPECT_TRUE(closeTo(gdiPixel(4, 27), kBlue));
            EXPECT_TRUE(closeTo(gdiPixel(27, 27), kWhite));
        } else {
            for (int x = 0; x < p.width; ++x) {
                EXPECT_TRUE(closeTo(gdiPixel(x, 0), kBlue)) << x;
                EXPECT_TRUE(closeTo(gdiPixel(x, 15), kYellow)) << x;
            }
        }
    }
}

// --- Refusals -----------------------------------------------------------------------

TEST(JpgiRefusal, WidthAndHeightMustBeThePictures) {
    Bytes data = readPicture("quadrants-444.jpg");
    ASSERT_FALSE(data.empty());
    struct Size {
        int width;
        int height;
    };
    for (const Size& s : {Size{32, 16}, Size{16, 32}, Size{33, 32}, Size{32, 33}, Size{1, 1}}) {
        BitmapBuffer buffer(s.width, s.height);
        EXPECT_EQ(decode(buffer, data, s.width, s.height, sizeOf(data)), kJpgiFailure)
            << s.width << "x" << s.height;
        EXPECT_TRUE(buffer.areaBlack());
        EXPECT_TRUE(buffer.guardIntact());
    }
}

TEST(JpgiRefusal, CmykHasNoBgrForm) {
    Bytes data = readPicture("cmyk.jpg");
    ASSERT_FALSE(data.empty());
    expectRefused(data, sizeOf(data), 16, 16);
}

TEST(JpgiRefusal, EveryTruncationFails) {
    for (const char* name :
         {"quadrants-444.jpg", "quadrants-progressive.jpg", "stripes-5x16.jpg"}) {
        Bytes data = readPicture(name);
        ASSERT_FALSE(data.empty()) << picturePath(name);
        Parameters full = parametersOf(data);
        for (int size = 0; size < sizeOf(data); ++size) {
            BitmapBuffer buffer(full.width, full.height);
            ASSERT_EQ(decode(buffer, data, full.width, full.height, size), kJpgiFailure)
                << name << " cut at " << size;
            ASSERT_TRUE(buffer.areaBlack()) << name << " cut at " << size;
            ASSERT_TRUE(buffer.guardIntact()) << name << " cut at " << size;
        }
    }
}

TEST(JpgiRefusal, RandomBytes) {
    std::mt19937 random(20240501);
    for (int round = 0; round < 50; ++round) {
        Bytes noise(64 + random() % 4096);
        for (auto& b : noise) {
            b = static_cast<unsigned char>(random());
        }
        // Half of them start like a JPEG, so that the marker reader gets past SOI.
        if (round % 2 == 1) {
            noise[0] = 0xFF;
            noise[1] = 0xD8;
        }
        expectRefused(noise, sizeOf(noise), 16, 16);
    }
}

TEST(JpgiRefusal, BadArgumentsWriteNothing) {
    Bytes data = readPicture("quadrants-444.jpg");
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(JPEGDeCompressRGB(nullptr, data.data(), 32, 32, sizeOf(data)), kJpgiFailure);
    BitmapBuffer buffer(32, 32);
    for (int width : {0, -1, -32}) {
        EXPECT_EQ(decode(buffer, data, width, 32, sizeOf(data)), kJpgiFailure);
        EXPECT_EQ(decode(buffer, data, 32, width, sizeOf(data)), kJpgiFailure);
    }
    // Larger than any bitmap of a 32-bit process; the buffer cannot be that big.
    EXPECT_EQ(decode(buffer, data, 65500, 65500, sizeOf(data)), kJpgiFailure);
    EXPECT_EQ(decode(buffer, data, 0x7FFFFFFF, 0x7FFFFFFF, sizeOf(data)), kJpgiFailure);
    EXPECT_TRUE(buffer.areaUnwritten());
    EXPECT_TRUE(buffer.guardIntact());
}

TEST(JpgiRefusal, MissingDataBlanksTheBitmap) {
    Bytes data = readPicture("quadrants-444.jpg");
    ASSERT_FALSE(data.empty());
    for (int size : {0, -1}) {
        BitmapBuffer buffer(32, 32);
        EXPECT_EQ(decode(buffer, data, 32, 32, size), kJpgiFailure);
        EXPECT_TRUE(buffer.areaBlack());
    }
    BitmapBuffer buffer(32, 32);
    EXPECT_EQ(JPEGDeCompressRGB(buffer.pixels(), nullptr, 32, 32, 100), kJpgiFailure);
    EXPECT_TRUE(buffer.areaBlack());
}

// The frame header of a picture, patched to claim another size.
Bytes withFrameSize(Bytes data, int width, int height) {
    for (size_t i = 2; i + 9 < data.size(); ++i) {
        if (data[i] == 0xFF && (data[i + 1] == 0xC0 || data[i + 1] == 0xC2)) {
            data[i + 5] = static_cast<unsigned char>(height >> 8);
            data[i + 6] = static_cast<unsigned char>(height);
            data[i + 7] = static_cast<unsigned char>(width >> 8);
            data[i + 8] = static_cast<unsigned char>(width);
            return data;
        }
    }
    ADD_FAILURE() << "no frame header";
    return data;
}

TEST(JpgiRefusal, HeaderClaimingMoreThanTheDataHolds) {
    Bytes data = readPicture("pixel.jpg");
    ASSERT_FALSE(data.empty());
    Bytes large = withFrameSize(data, 1500, 1000);
    Parameters p = parametersOf(large);
    EXPECT_EQ(p.result, kJpgiSuccess);
    EXPECT_EQ(p.width, 1500);
    EXPECT_EQ(p.height, 1000);
    expectRefused(large, sizeOf(large), 1500, 1000);

    for (const Bytes& empty : {withFrameSize(data, 0, 1), withFrameSize(data, 1, 0)}) {
        Parameters none = parametersOf(empty);
        EXPECT_EQ(none.result, kJpgiFailure);
        EXPECT_EQ(none.components, 0);
    }
}

// A flat mid-grey 8x8 progressive picture of exactly `scans` scans (64 to 883): one
// DC scan, then the 63 AC coefficients one by one, each in 1 to 14 successive-
// approximation passes. All coefficients are zero, so each scan codes a single
// end-of-band: the one-bit Huffman code 0, padded with ones.
Bytes manyScanPicture(int scans) {
    Bytes out{0xFF, 0xD8};
    auto segment = [&out](unsigned char marker, const Bytes& body) {
        size_t length = body.size() + 2;
        out.insert(out.end(), {0xFF, marker, static_cast<unsigned char>(length >> 8),
                               static_cast<unsigned char>(length)});
        out.insert(out.end(), body.begin(), body.end());
    };
    Bytes quantisation(65, 1);
    quantisation[0] = 0x00;
    segment(0xDB, quantisation);
    segment(0xC2, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    Bytes tables;
    for (unsigned char tableClass : {0x00, 0x10}) {
        tables.push_back(tableClass);
        tables.push_back(1);
        tables.insert(tables.end(), 15, 0);
        tables.push_back(0);
    }
    segment(0xC4, tables);
    auto scan = [&](int first, int last, int high, int low) {
        segment(0xDA,
                {1, 1, 0x00, static_cast<unsigned char>(first), static_cast<unsigned char>(last),
                 static_cast<unsigned char>((high << 4) | low)});
        out.push_back(0x7F);
    };
    scan(0, 0, 0, 0);
    int remaining = scans - 1;
    for (int band = 1; band <= 63; ++band) {
        int passes = std::min(14, remaining - (63 - band));
        remaining -= passes;
        scan(band, band, 0, passes - 1);
        for (int high = passes - 1; high >= 1; --high) {
            scan(band, band, high, high - 1);
        }
    }
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

TEST(JpgiRefusal, ProgressiveScansAreLimitedToFiveHundred) {
    Bytes allowed = manyScanPicture(500);
    BitmapBuffer buffer(8, 8);
    ASSERT_EQ(decode(buffer, allowed, 8, 8, sizeOf(allowed)), kJpgiSuccess);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_TRUE(closeTo(buffer.pixel(x, y), Bgr{128, 128, 128}));
        }
    }
    Bytes tooMany = manyScanPicture(501);
    EXPECT_EQ(parametersOf(tooMany).result, kJpgiSuccess);
    expectRefused(tooMany, sizeOf(tooMany), 8, 8);
}

// Damaged copies of real pictures: whatever the decoder makes of them, it stays
// inside the bitmap, and a failure leaves it black.
TEST(JpgiRefusal, DamagedPicturesStayInsideTheBitmap) {
    std::mt19937 random(7);
    int failures = 0;
    int successes = 0;
    for (const char* name : {"quadrants-444.jpg", "quadrants-420.jpg", "quadrants-progressive.jpg",
                             "quadrants-arithmetic.jpg", "stripes-7x16.jpg", "grey.jpg"}) {
        Bytes original = readPicture(name);
        ASSERT_FALSE(original.empty()) << picturePath(name);
        for (int round = 0; round < 400; ++round) {
            Bytes data = original;
            int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i) {
                data[random() % data.size()] = static_cast<unsigned char>(random());
            }
            Parameters p = parametersOf(data);
            if (p.result != kJpgiSuccess || p.width > 256 || p.height > 256) {
                continue;
            }
            BitmapBuffer buffer(p.width, p.height);
            int result = decode(buffer, data, p.width, p.height, sizeOf(data));
            ASSERT_TRUE(buffer.guardIntact()) << name << " round " << round;
            if (result == kJpgiSuccess) {
                ++successes;
                ASSERT_TRUE(buffer.paddingUnwritten()) << name << " round " << round;
            } else {
                ++failures;
                ASSERT_TRUE(buffer.areaBlack()) << name << " round " << round;
            }
        }
    }
    // Both outcomes must have been exercised for the test to mean anything.
    EXPECT_GT(failures, 100);
    EXPECT_GT(successes, 100);
}

#if defined(__i386__)
// Calls `function` with a copy of `argumentBytes` bytes of arguments on the
// stack and answers how many of those bytes the function itself removed: 0 for
// cdecl, all of them for stdcall. Written in assembly because C++ cannot call
// a function without knowing its convention.
extern "C" int calleeRemovedBytes(const void* function, const void* arguments, int argumentBytes);
asm(".text\n"
    ".globl _calleeRemovedBytes\n"
    "_calleeRemovedBytes:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "  subl %ecx, %esp\n"
    "  movl %esp, %edi\n"
    "  cld\n"
    "  rep movsb\n"
    "  movl %esp, %edi\n"
    "  call *8(%ebp)\n"
    "  movl %esp, %eax\n"
    "  subl %edi, %eax\n"
    "  leal -8(%ebp), %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");
#endif

TEST(JpgiExports, CallerRemovesTheArguments) {
#if defined(__i386__)
    int width = 1;
    int height = 1;
    int components = 1;
    // Calls that fail at once: no data.
    const void* parameterArguments[] = {nullptr, nullptr, &width, &height, &components};
    EXPECT_EQ(calleeRemovedBytes(reinterpret_cast<const void*>(&JPEGGetParameter),
                                 parameterArguments, sizeof(parameterArguments)),
              0);
    const uintptr_t decodeArguments[] = {0, 0, 0, 0, 0};
    EXPECT_EQ(calleeRemovedBytes(reinterpret_cast<const void*>(&JPEGDeCompressRGB), decodeArguments,
                                 sizeof(decodeArguments)),
              0);
#else
    GTEST_SKIP() << "one calling convention only: this check runs where the i686 build is tested";
#endif
}

}  // namespace
