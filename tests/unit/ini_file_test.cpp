#include "common/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    // Looks a key up in a file holding exactly `bytes`.
    std::wstring lookup(const std::string& bytes, const std::wstring& section,
                        const std::wstring& key, const std::wstring& fallback = L"<default>") {
        folder.write("test.ini", bytes);
        return ini.getString(section, key, fallback, folder.wide("test.ini"));
    }
    // The same text in both encodings must give the same answer.
    std::wstring lookupBoth(const std::wstring& text, const std::wstring& section,
                            const std::wstring& key) {
        std::wstring wide = lookup(utf16File(text), section, key);
        std::wstring ansi = lookup(cp1252FromWide(text), section, key);
        EXPECT_EQ(wide, ansi) << "UTF-16 and ANSI forms disagree";
        return wide;
    }

    TempFolder folder;
    PosixPlatform platform;
    IniFile ini{platform};
};

TEST_F(IniFileTest, FindsValueInSectionInBothEncodings) {
    const std::wstring text = L"[setup]\r\nproduct=Varnholt\r\nurl=http://example.com/\r\n";
    EXPECT_EQ(lookupBoth(text, L"setup", L"product"), L"Varnholt");
    EXPECT_EQ(lookupBoth(text, L"setup", L"url"), L"http://example.com/");
    EXPECT_EQ(lookupBoth(text, L"setup", L"missing"), L"<default>");
    EXPECT_EQ(lookupBoth(text, L"other", L"product"), L"<default>");
}

TEST_F(IniFileTest, SectionsAndKeysMatchCaseSensitivelyAndWhole) {
    const std::wstring text =
        L"[Setup]\r\nproduct=wrong\r\n[setup ]\r\nproduct=wrong\r\n"
        L"[setup]\r\nProduct=wrong\r\nproduct =spaced\r\n product=lead\r\nprod=short\r\n";
    EXPECT_EQ(lookupBoth(text, L"setup", L"product"), L"<default>");
    EXPECT_EQ(lookupBoth(text, L"setup", L"product "), L"spaced");
    EXPECT_EQ(lookupBoth(text, L"setup", L" product"), L"lead");
    EXPECT_EQ(lookupBoth(text, L"Setup", L"product"), L"wrong");
}

TEST_F(IniFileTest, FirstSectionAndFirstEntryWin) {
    const std::wstring text = L"[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n";
    EXPECT_EQ(lookupBoth(text, L"a", L"k"), L"1");
    // The first [a] ends at the second header, so j of the second is never reached.
    EXPECT_EQ(lookupBoth(text, L"a", L"j"), L"<default>");
}

TEST_F(IniFileTest, LastLineNeedsItsLineEnd) {
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=v", L"a", L"k"), L"<default>");
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=v\r\n", L"a", L"k"), L"v");
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=v\n", L"a", L"k"), L"<default>");
    // A section header on the unterminated last line is not found either.
    EXPECT_EQ(lookupBoth(L"k=v\r\n[a]", L"a", L"k"), L"<default>");
}

TEST_F(IniFileTest, LineBeginningWithBracketEndsSection) {
    EXPECT_EQ(lookupBoth(L"[a]\r\n[other]=x\r\nk=v\r\n", L"a", L"k"), L"<default>");
    EXPECT_EQ(lookupBoth(L"[a]\r\n[other]=x\r\n", L"a", L"[other]"), L"<default>");
}

TEST_F(IniFileTest, ValueIsEverythingAfterFirstEquals) {
    const std::wstring text = L"[a]\r\nkey==v\r\nempty=\r\n;note=x\r\nplain line\r\n\r\nk = v \r\n";
    EXPECT_EQ(lookupBoth(text, L"a", L"key"), L"=v");
    EXPECT_EQ(lookupBoth(text, L"a", L"empty"), L"");
    EXPECT_EQ(lookupBoth(text, L"a", L";note"), L"x");
    EXPECT_EQ(lookupBoth(text, L"a", L"k "), L" v ");
    EXPECT_EQ(lookupBoth(text, L"a", L"plain line"), L"<default>");
}

TEST_F(IniFileTest, MissingOrEmptyFileGivesDefault) {
    EXPECT_EQ(ini.getString(L"a", L"k", L"fallback", folder.wide("absent.ini")), L"fallback");
    EXPECT_EQ(lookup("", L"a", L"k", L"fallback"), L"fallback");
    EXPECT_EQ(lookup("\xFF\xFE", L"a", L"k", L"fallback"), L"fallback");
    // A folder of that name cannot be read either.
    std::filesystem::create_directory(folder.path() / "dir.ini");
    EXPECT_EQ(ini.getString(L"a", L"k", L"fallback", folder.wide("dir.ini")), L"fallback");
}

TEST_F(IniFileTest, AnsiFormUsesTheAnsiCodePage) {
    // 0xE9 is e-acute and 0x80 the euro sign in Windows-1252.
    EXPECT_EQ(lookup("[a]\r\nk=caf\xE9 \x80\r\n", L"a", L"k"), L"caf\u00E9 \u20AC");
    // UTF-8 without a byte-order mark is taken byte by byte as ANSI text.
    EXPECT_EQ(lookup("[a]\r\nk=caf\xC3\xA9\r\n", L"a", L"k"), L"caf\u00C3\u00A9");
    // Non-ASCII names match after conversion.
    EXPECT_EQ(lookup("[\xE9t\xE9]\r\nk=1\r\n", L"\u00E9t\u00E9", L"k"), L"1");
}

TEST_F(IniFileTest, Utf16FormKeepsCharactersOutsideTheAnsiCodePage) {
    const std::wstring text = L"[restable]\r\nstr0=\u5B89\u88C5 \U0001F3AE\r\n";
    EXPECT_EQ(lookup(utf16File(text), L"restable", L"str0"), L"\u5B89\u88C5 \U0001F3AE");
}

TEST_F(IniFileTest, LinesLongerThan255UnitsMatchNothing) {
    const std::wstring fits = L"k=" + std::wstring(253, L'x');  // 255 units
    const std::wstring tooLong = L"k=" + std::wstring(254, L'y');
    EXPECT_EQ(lookupBoth(L"[a]\r\n" + fits + L"\r\n", L"a", L"k"), std::wstring(253, L'x'));
    EXPECT_EQ(lookupBoth(L"[a]\r\n" + tooLong + L"\r\nk=after\r\n", L"a", L"k"), L"after");
    // An over-long line that begins with "[" neither ends the section nor starts one.
    const std::wstring longHeader = L"[" + std::wstring(300, L'a') + L"]";
    EXPECT_EQ(lookupBoth(L"[a]\r\n" + longHeader + L"\r\nk=v\r\n", L"a", L"k"), L"v");
    // A megabyte-long line is read safely.
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=" + std::wstring(1 << 20, L'z') + L"\r\nj=1\r\n", L"a", L"j"),
              L"1");
}

TEST_F(IniFileTest, LoneCarriageReturnStaysInTheLine) {
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=b\rc\r\n", L"a", L"k"), L"b\rc");
    EXPECT_EQ(lookupBoth(L"[a]\r\nk=b\r\r\n", L"a", L"k"), L"b\r");
}

TEST_F(IniFileTest, OddTrailingByteOfUtf16FileIsNotAUnit) {
    std::string bytes = utf16File(L"[a]\r\nk=v\r\n") + "x";
    EXPECT_EQ(lookup(bytes, L"a", L"k"), L"v");
    EXPECT_EQ(lookup(utf16File(L"[a]\r\nk=v") + "\r", L"a", L"k"), L"<default>");
}

TEST_F(IniFileTest, IndexKeepsWhatWasReadWhileALookupSeesTheFileNow) {
    folder.write("test.ini", utf16File(L"[a]\r\nk=old\r\n"));
    const IniIndex index = ini.read(folder.wide("test.ini"));
    folder.write("test.ini", utf16File(L"[a]\r\nk=new\r\n"));
    EXPECT_EQ(index.getString(L"a", L"k", L""), L"old");
    EXPECT_EQ(ini.getString(L"a", L"k", L"", folder.wide("test.ini")), L"new");
    EXPECT_EQ(ini.read(folder.wide("absent.ini")).getString(L"a", L"k", L"fallback"), L"fallback");
}

TEST_F(IniFileTest, IndexTellsAMissingKeyFromAnEmptyOne) {
    folder.write("test.ini", utf16File(L"[a]\r\nempty=\r\n[b]\r\n[a]\r\nlater=x\r\n"));
    const IniIndex index = ini.read(folder.wide("test.ini"));
    EXPECT_EQ(index.find(L"a", L"empty"), std::optional<std::wstring>(L""));
    EXPECT_EQ(index.find(L"a", L"later"), std::nullopt);  // in a later section of the name
    EXPECT_EQ(index.find(L"c", L"empty"), std::nullopt);
    EXPECT_TRUE(index.hasSection(L"b"));
    EXPECT_FALSE(index.hasSection(L"c"));
}

}  // namespace
