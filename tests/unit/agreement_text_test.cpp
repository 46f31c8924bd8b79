#include "installer/ui/agreement_text.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(AgreementText, BytesAreUtf16LittleEndianTakenAsTheyStand) {
    EXPECT_EQ(agreementTextFromBytes(bytes({'A', 0, 'b', 0, 0x2D, 0x4E})), L"Ab\u4E2D");
    // A byte-order mark stays in the text as its first character.
    EXPECT_EQ(agreementTextFromBytes(bytes({0xFF, 0xFE, 'X', 0})), L"\uFEFFX");
    // A character beyond the basic plane arrives as its surrogate pair.
    EXPECT_EQ(agreementTextFromBytes(bytes({0x3D, 0xD8, 0x00, 0xDE})),
              wideFromUtf16(std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(agreementTextFromBytes({}), L"");
}

TEST(AgreementText, OddLastByteAndFirstZeroCharacter) {
    // The last byte pairs with a zero byte.
    EXPECT_EQ(agreementTextFromBytes(bytes({'A', 0, 'B'})), L"AB");
    // The text ends at the first U+0000; a zero byte alone does not end it.
    EXPECT_EQ(agreementTextFromBytes(bytes({'A', 0, 0, 0, 'B', 0})), L"A");
    EXPECT_EQ(agreementTextFromBytes(bytes({0, 'A', 'B', 0})), L"\u4100B");
}

class AgreementFileTest : public ::testing::Test {
protected:
    TempFolder root;
    PosixPlatform platform;
};

TEST_F(AgreementFileTest, MissingFileGivesNothing) {
    EXPECT_EQ(agreementPath(L"D:\\medium"), L"D:\\medium\\CopyRight.txt");
    EXPECT_FALSE(loadAgreementText(platform, root.wide()).has_value());
}

TEST_F(AgreementFileTest, EmptyFileGivesAnEmptyText) {
    root.write("CopyRight.txt", "");
    auto text = loadAgreementText(platform, root.wide());
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, L"");
}

TEST_F(AgreementFileTest, FileLargerThanTheOldBufferIsShownWhole) {
    // 150,000 characters: 300,000 bytes, more than the 204,800-byte buffer.
    std::wstring long_text(149997, L'x');
    long_text += L"END";
    auto encoded = leBytesFromUtf16(utf16FromWide(long_text));
    ASSERT_GT(encoded.size(), kAgreementBufferBytes);
    root.write("CopyRight.txt", encoded);
    auto text = loadAgreementText(platform, root.wide());
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 150000u);
    EXPECT_EQ(text->substr(text->size() - 3), L"END");
}

TEST(ScrollLimit, PageSizeLeavesItsLinesBelowTheLastPosition) {
    // 100 lines (0 to 99), 20 visible: the last top line is 80.
    EXPECT_EQ((ScrollState{0, 99, 20}.limit()), 80);
    EXPECT_FALSE((ScrollState{79, 99, 20}.atEnd()));
    EXPECT_TRUE((ScrollState{80, 99, 20}.atEnd()));
    // Without a page size the range's end is the limit.
    EXPECT_EQ((ScrollState{0, 30, 0}.limit()), 30);
    // A text that fits: the page covers the whole range.
    EXPECT_TRUE((ScrollState{0, 4, 5}.atEnd()));
    EXPECT_TRUE((ScrollState{0, 4, 40}.atEnd()));
    EXPECT_TRUE(ScrollState{}.atEnd());
}

TEST(AgreeButton, LongTextMustBeScrolledToItsEndThenStaysEnabled) {
    AgreeButtonRule rule;
    EXPECT_TRUE(rule.enabled());
    EXPECT_FALSE(rule.textLoaded({0, 99, 20}));
    EXPECT_FALSE(rule.scrolled({40, 99, 20}));
    EXPECT_FALSE(rule.scrolled({79, 99, 20}));
    EXPECT_TRUE(rule.scrolled({80, 99, 20}));
    // Back up: nothing disables it again.
    EXPECT_TRUE(rule.scrolled({0, 99, 20}));
    EXPECT_TRUE(rule.enabled());
}

TEST(AgreeButton, EveryWayOfScrollingRunsTheCheck) {
    // The keys move the text as the scroll bar does; a keyboard alone must
    // be able to agree.
    const struct {
        TextBoxInput input;
        bool runsCheck;
    } rows[] = {
        {TextBoxInput::ScrollBar, true},
        {TextBoxInput::Wheel, true},
        {TextBoxInput::Key, true},
        {TextBoxInput::Other, false},
    };
    for (const auto& row : rows) {
        AgreeButtonRule rule;
        rule.textLoaded({0, 99, 20});
        if (runsAgreeCheck(row.input)) {
            rule.scrolled({80, 99, 20});
        }
        EXPECT_EQ(rule.enabled(), row.runsCheck) << static_cast<int>(row.input);
    }
}

TEST(AgreeButton, ShortOrMissingTextLeavesItEnabled) {
    AgreeButtonRule shortText;
    EXPECT_TRUE(shortText.textLoaded({0, 3, 4}));
    AgreeButtonRule noFile;
    EXPECT_TRUE(noFile.enabled());
    EXPECT_TRUE(noFile.scrolled({}));
}

}  // namespace
