#include "installer/engine/medium_uninstall_ini.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/posix_platform.h"
#include "tests/support/temp_folder.h"

namespace {

const std::wstring kGood =
    L"[interface]\r\nwindow_title=Uninstall Kestrel\r\n[error]\r\nerror_create_temp_file=No\r\n";

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(UninstallIniFault, RefusesWhatTheUninstallerWouldMisreadAndNamesTheReason) {
    PosixPlatform platform;
    const struct {
        const char* what;
        std::string bytes;
        const wchar_t* reason;  // nullptr: taken
    } cases[] = {
        {"good", utf16File(kGood), nullptr},
        {"only [interface]", utf16File(L"[interface]\r\n"), nullptr},
        {"empty", "", L"is empty."},
        {"UTF-8", "\xEF\xBB\xBF[interface]\r\n", L"is UTF-8."},
        {"ANSI", "[interface]\r\n", L"is without a byte-order mark (ANSI or UTF-8)."},
        {"big-endian", "\xFE\xFF", L"is UTF-16 big-endian."},
        {"no [interface]", utf16File(L"[error]\r\nerror_create_temp_file=No\r\n"),
         L"has no [interface] section"},
        // The section line is only read with its CR LF.
        {"[interface] unended", utf16File(L"[error]\r\n[interface]"), L"has no [interface]"},
        {"[registered]", utf16File(kGood + L"[registered]\r\nreg_key_name=Other\r\n"),
         L"has a [registered] section, which only the installer writes."},
    };
    for (const auto& c : cases) {
        const std::wstring fault =
            uninstallIniFault(bytesOf(c.bytes), L"D:\\uninstall.ini", platform);
        if (c.reason == nullptr) {
            EXPECT_EQ(fault, L"") << c.what;
            continue;
        }
        EXPECT_NE(fault.find(L"D:\\uninstall.ini "), std::wstring::npos) << c.what;
        EXPECT_NE(fault.find(c.reason), std::wstring::npos) << c.what;
        EXPECT_NE(fault.find(L"Nothing was installed."), std::wstring::npos) << c.what;
    }
}

class MediumUninstallIniTest : public ::testing::Test {
protected:
    void SetUp() override { root.write("private/install.ini", "x"); }
    std::wstring medium() const { return root.wide("medium"); }
    std::wstring privateFolder() const { return root.wide("private"); }
    std::wstring localCopy() const { return privateFolder() + L"\\uninstall.ini"; }
    bool staged() const { return std::filesystem::exists(root.path() / "private/uninstall.ini"); }

    TempFolder root;
    PosixPlatform platform;
};

TEST_F(MediumUninstallIniTest, TheMediumDecidesAndALeftOverCopyIsNeverUsed) {
    // An earlier medium's file, read-only, is all the private folder holds.
    root.write("private/uninstall.ini", utf16File(L"[interface]\r\nwindow_title=Earlier\r\n"));
    std::filesystem::permissions(root.path() / "private/uninstall.ini",
                                 std::filesystem::perms::owner_read);
    root.write("medium/install.ini", "x");
    EXPECT_EQ(chooseUninstallIni(platform, medium(), localCopy()).source,
              UninstallIniChoice::Source::BuiltIn);
    ASSERT_TRUE(stageUninstallIni(platform, privateFolder(), medium()));
    EXPECT_FALSE(staged());

    // The next medium carries one: it is copied and taken as it is.
    root.write("medium/uninstall.ini", utf16File(kGood));
    ASSERT_TRUE(stageUninstallIni(platform, privateFolder(), medium()));
    EXPECT_EQ(root.read("private/uninstall.ini"), utf16File(kGood));
    const UninstallIniChoice texts = chooseUninstallIni(platform, medium(), localCopy());
    EXPECT_EQ(texts.source, UninstallIniChoice::Source::Medium);
    EXPECT_EQ(texts.bytes, bytesOf(utf16File(kGood)));
    EXPECT_EQ(texts.refusal, L"");
}

TEST_F(MediumUninstallIniTest, ADamagedFileIsRefusedByTheMediumsNameAndNoCopyFallsBackToIt) {
    // Empty, it still travels, so that the second run says what is wrong.
    root.write("medium/uninstall.ini", "");
    ASSERT_TRUE(stageUninstallIni(platform, privateFolder(), medium()));
    ASSERT_TRUE(staged());
    UninstallIniChoice texts = chooseUninstallIni(platform, medium(), localCopy());
    EXPECT_EQ(texts.source, UninstallIniChoice::Source::Refused);
    EXPECT_NE(texts.refusal.find(medium() + L"\\uninstall.ini is empty."), std::wstring::npos);
    EXPECT_TRUE(texts.bytes.empty());

    // Started with a folder argument, no copy was brought: the medium's own.
    root.write("medium/uninstall.ini", utf16File(kGood));
    texts = chooseUninstallIni(platform, medium(), root.wide("elsewhere") + L"\\uninstall.ini");
    EXPECT_EQ(texts.source, UninstallIniChoice::Source::Medium);
}

}  // namespace
