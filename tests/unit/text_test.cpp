#include "common/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextFormat, FillsOnlyThePlaceholderOfTheExpectedKind) {
    EXPECT_EQ(fillIntegerFormat(L"Needs %d MB", 42), L"Needs 42 MB");
    EXPECT_EQ(fillIntegerFormat(L"Disc %u of the set", 3), L"Disc 3 of the set");
    EXPECT_EQ(fillIntegerFormat(L"%I64d bytes", 5000000000LL), L"5000000000 bytes");
    EXPECT_EQ(fillIntegerFormat(L"%lld bytes", -5000000000LL), L"-5000000000 bytes");
    EXPECT_EQ(fillTextFormat(L"Installing %s ...", L"data\\a.bin"), L"Installing data\\a.bin ...");
    EXPECT_EQ(fillTextFormat(L"File %ls", L"x"), L"File x");
}

TEST(TextFormat, EverythingElseIsLiteral) {
    // A text placeholder in an integer format, and extra placeholders, stay as written.
    EXPECT_EQ(fillIntegerFormat(L"%s has %d MB and %d more", 7), L"%s has 7 MB and %d more");
    EXPECT_EQ(fillTextFormat(L"%d%% of %s, %s, %n", L"a"), L"%d% of a, %s, %n");
    EXPECT_EQ(fillIntegerFormat(L"no placeholder", 1), L"no placeholder");
    EXPECT_EQ(fillIntegerFormat(L"trailing %", 1), L"trailing %");
    EXPECT_EQ(fillTextFormat(L"%", L"x"), L"%");
    // The value itself is never interpreted.
    EXPECT_EQ(fillTextFormat(L"[%s]", L"%s%d%n"), L"[%s%d%n]");
}

TEST(TextFormat, HonoursWidthAndPadding) {
    EXPECT_EQ(fillIntegerFormat(L"%5d|", 42), L"   42|");
    EXPECT_EQ(fillIntegerFormat(L"%-5d|", 42), L"42   |");
    EXPECT_EQ(fillIntegerFormat(L"%05d|", -42), L"-0042|");
    EXPECT_EQ(fillTextFormat(L"%4s|", L"ab"), L"  ab|");
    // An absurd width is bounded instead of allocating without limit.
    EXPECT_LE(fillIntegerFormat(L"%99999999999d", 1).size(), 1000U);
}

TEST(TextNumbers, StandardDecimalConversion) {
    EXPECT_EQ(parseLeadingInt(L"12"), 12);
    EXPECT_EQ(parseLeadingInt(L" 1"), 1);
    EXPECT_EQ(parseLeadingInt(L"\t-7x"), -7);
    EXPECT_EQ(parseLeadingInt(L"+3"), 3);
    EXPECT_EQ(parseLeadingInt(L"00"), 0);
    EXPECT_EQ(parseLeadingInt(L"12abc"), 12);
    EXPECT_EQ(parseLeadingInt(L"abc"), 0);
    EXPECT_EQ(parseLeadingInt(L""), 0);
    EXPECT_EQ(parseLeadingInt(L"- 1"), 0);
    EXPECT_EQ(parseLeadingInt(L"99999999999999999999"), 2147483647);
    EXPECT_EQ(parseLeadingInt(L"-99999999999999999999"), -2147483647 - 1);
}

TEST(TextEncoding, Utf16RoundTripsThroughLittleEndianBytes) {
    const std::wstring text = L"a\u00E9\u5B89\U0001F3AE";
    auto units = utf16FromWide(text);
    ASSERT_EQ(units.size(), 5U) << "the game controller needs a surrogate pair";
    auto bytes = leBytesFromUtf16(units);
    ASSERT_EQ(bytes.size(), 10U);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[4], 0x89);
    EXPECT_EQ(bytes[5], 0x5B);
    EXPECT_EQ(wideFromUtf16(utf16FromLeBytes(bytes.data(), bytes.size())), text);
}

TEST(TextEncoding, Utf8AndCp1252) {
    EXPECT_EQ(wideFromUtf8("caf\xC3\xA9 \xE2\x82\xAC"), L"caf\u00E9 \u20AC");
    EXPECT_EQ(utf8FromWide(L"caf\u00E9 \u20AC"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(wideFromUtf8("bad \xFF!"), L"bad \uFFFD!");
    EXPECT_EQ(wideFromCp1252("\x80\x81\xE9"), L"\u20AC\u0081\u00E9");
    EXPECT_EQ(cp1252FromWide(L"\u20AC\u0081\u00E9\u5B89"), "\x80\x81\xE9?");
}

}  // namespace
