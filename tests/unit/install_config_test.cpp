#include "installer/engine/install_config.h"

#include <gtest/gtest.h>

#include "common/forwarding_platform.h"
#include "common/ini_file.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

class InstallConfigTest : public ::testing::Test {
protected:
    std::optional<InstallConfig> load(const std::wstring& text) {
        folder.write("install.ini", utf16File(text));
        return loadConfiguration(ini, folder.wide("install.ini"), prompt);
    }

    TempFolder folder;
    PosixPlatform platform;
    IniFile ini{platform};
    ScriptedPrompt prompt;
};

TEST_F(InstallConfigTest, ReadsSetupValuesAndTables) {
    auto config = load(
        L"[setup]\r\nprogramgroup=Varnholt Games\r\nproduct=Varnholt\r\nprogramfile=game.exe\r\n"
        L"url=http://varnholt.example/\r\nopen_url=http://varnholt.example/thanks\r\n"
        L"reg_file_ext_name=vup\r\nreg_key_name=Varnholt.Update\r\n"
        L"[shortcut]\r\ncount=1\r\n[shortcut0]\r\nname=Play\r\nlink=game.exe\r\npos=\r\nparams=-"
        L"w\r\n"
        L"[restable]\r\nrescount=2\r\nstr0=Choose a folder\r\nstr1=Needs %d MB\r\n"
        L"[md5code]\r\ncount=1\r\npck1=0123456789abcdef0123456789abcdef\r\n");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->programGroup, L"Varnholt Games");
    EXPECT_EQ(config->product, L"Varnholt");
    EXPECT_EQ(config->programFile, L"game.exe");
    EXPECT_EQ(config->url, L"http://varnholt.example/");
    EXPECT_EQ(config->openUrl, L"http://varnholt.example/thanks");
    EXPECT_EQ(config->regFileExtName, L"vup");
    EXPECT_EQ(config->regKeyName, L"Varnholt.Update");
    ASSERT_EQ(config->shortcuts.size(), 1U);
    EXPECT_EQ(config->shortcuts[0].name, L"Play");
    EXPECT_EQ(config->shortcuts[0].link, L"game.exe");
    EXPECT_EQ(config->shortcuts[0].pos, L"");
    EXPECT_EQ(config->shortcuts[0].params, L"-w");
    ASSERT_EQ(config->texts.size(), 2U);
    EXPECT_EQ(config->text(1), L"Needs %d MB");
    EXPECT_EQ(config->text(54), L"") << "an undeclared text is empty";
    EXPECT_EQ(config->packageDigests,
              std::vector<std::wstring>{L"0123456789abcdef0123456789abcdef"});
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(InstallConfigTest, EmptyFileGivesDefaults) {
    auto config = load(L"");
    ASSERT_TRUE(config);
    EXPECT_TRUE(config->shortcuts.empty());
    EXPECT_TRUE(config->texts.empty());
    EXPECT_TRUE(config->packageDigests.empty());
    EXPECT_TRUE(config->folderCreateFlag);
    EXPECT_TRUE(config->packageCheckFlag);
    EXPECT_EQ(config->product, L"");
}

TEST_F(InstallConfigTest, TablesHaveExactlyTheirCountWithMissingEntriesEmpty) {
    auto config = load(
        L"[shortcut]\r\ncount=2\r\n[shortcut0]\r\nname=Play\r\n"
        L"[restable]\r\nrescount=3\r\nstr0=a\r\nstr2=c\r\nstr3=beyond\r\n"
        L"[md5code]\r\ncount=3\r\npck0=never\r\npck1=one\r\npck3=three\r\npck4=beyond\r\n");
    ASSERT_TRUE(config);
    ASSERT_EQ(config->shortcuts.size(), 2U);
    EXPECT_EQ(config->shortcuts[0].name, L"Play");
    EXPECT_EQ(config->shortcuts[1].name, L"");
    EXPECT_EQ(config->shortcuts[1].link, L"");
    EXPECT_EQ(config->texts, (std::vector<std::wstring>{L"a", L"", L"c"}));
    EXPECT_EQ(config->packageDigests, (std::vector<std::wstring>{L"one", L"", L"three"}));
}

TEST_F(InstallConfigTest, CountsAreDecimalConversions) {
    struct Case {
        const wchar_t* count;
        size_t expected;
    };
    for (const Case& c : {Case{L"0", 0}, Case{L"-2", 0}, Case{L"abc", 0}, Case{L"", 0},
                          Case{L" 2", 2}, Case{L"2abc", 2}, Case{L"+1", 1}, Case{L"002", 2}}) {
        auto config = load(std::wstring(L"[restable]\r\nrescount=") + c.count + L"\r\nstr0=x\r\n");
        ASSERT_TRUE(config);
        EXPECT_EQ(config->texts.size(), c.expected) << "rescount=" << utf8FromWide(c.count);
    }
}

TEST_F(InstallConfigTest, FlagsAreNumbersWithDefaultOne) {
    struct Case {
        const wchar_t* value;
        bool expected;
    };
    for (const Case& c :
         {Case{L"0", false}, Case{L"00", false}, Case{L"abc", false}, Case{L"", false},
          Case{L" 1", true}, Case{L"12abc", true}, Case{L"-1", true}}) {
        std::wstring value = c.value;
        auto config = load(L"[setup]\r\nfolder_create_flag=" + value + L"\r\npackage_check_flag=" +
                           value + L"\r\n");
        ASSERT_TRUE(config);
        EXPECT_EQ(config->folderCreateFlag, c.expected) << utf8FromWide(value);
        EXPECT_EQ(config->packageCheckFlag, c.expected) << utf8FromWide(value);
    }
}

TEST_F(InstallConfigTest, SectionNamesAreCaseSensitive) {
    auto config =
        load(L"[Setup]\r\nproduct=Wrong\r\nfolder_create_flag=0\r\n[RESTABLE]\r\nrescount=5\r\n");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->product, L"");
    EXPECT_TRUE(config->folderCreateFlag);
    EXPECT_TRUE(config->texts.empty());
}

TEST_F(InstallConfigTest, TableThatCannotBeAllocatedShowsItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer aborts on a failed operator new; the Windows run covers this";
#endif
    // Each count asks for far more memory than any machine has.
    auto config = load(L"[shortcut]\r\ncount=2147483647\r\n");
    EXPECT_FALSE(config);
    EXPECT_EQ(prompt.texts(), std::vector<std::wstring>{L"Not enough memory!"});

    prompt.shown.clear();
    EXPECT_FALSE(load(L"[restable]\r\nrescount=2147483647\r\n"));
    EXPECT_EQ(prompt.texts(), std::vector<std::wstring>{L"Not enough memeory!"});

    prompt.shown.clear();
    EXPECT_FALSE(load(L"[md5code]\r\ncount=2147483647\r\n"));
    EXPECT_EQ(prompt.texts(), std::vector<std::wstring>{L"Not enough memeory!"});
}

// Every file says it is larger than any memory can hold.
class HugeFilePlatform : public ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;
    std::unique_ptr<File> open(const std::wstring&, OpenMode, Share) override {
        return std::make_unique<HugeFile>();
    }

private:
    class HugeFile : public File {
    public:
        size_t read(void*, size_t) override { return 0; }
        size_t write(const void*, size_t) override { return 0; }
        size_t writeAt(uint64_t, const void*, size_t) override { return 0; }
        bool seek(uint64_t) override { return true; }
        std::optional<uint64_t> position() override { return 0; }
        std::optional<uint64_t> size() override { return SIZE_MAX - 1; }
        bool atEnd() const override { return false; }
        bool flush(bool /*durable*/) override { return true; }
    };
};

TEST_F(InstallConfigTest, FileTooLargeForMemoryShowsTheMessage) {
    HugeFilePlatform huge(platform);
    EXPECT_FALSE(loadConfiguration(IniFile(huge), folder.wide("install.ini"), prompt));
    EXPECT_EQ(prompt.texts(), std::vector<std::wstring>{L"Not enough memory!"});
}

}  // namespace
