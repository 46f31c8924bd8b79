#include "common/uninstall_record.h"

#include <gtest/gtest.h>

#include "common/formats.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

class UninstallRecordTest : public ::testing::Test {
protected:
    std::string record(const std::u16string& text) {
        std::string bytes(520, '\0');
        for (size_t i = 0; i < text.size() && i < 260; ++i) {
            bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
        return bytes;
    }

    TempFolder folder;
    PosixPlatform platform;
    ScriptedPrompt prompt;
    UninstallRecord records{platform, prompt};
};

TEST_F(UninstallRecordTest, AppendWritesOneRecordPerCall) {
    const std::wstring target = folder.wide();
    EXPECT_EQ(records.AppendUninstallRecord(target, true, target), AppendResult::Written);
    EXPECT_EQ(records.AppendUninstallRecord(target + L"\\", false, target + L"\\uninstall.dat"),
              AppendResult::Written);
    const std::string bytes = folder.read("uninstall.dat");
    ASSERT_EQ(bytes.size(), 1040U);
    EXPECT_EQ(bytes.substr(0, 520), record(utf16FromWide(L"FOLDER:" + target)));
    EXPECT_EQ(bytes.substr(520), record(utf16FromWide(L"FILE:" + target + L"\\uninstall.dat")));
    EXPECT_TRUE(prompt.shown.empty());
}

// Kept open for a run, the file holds each record as soon as it is appended,
// after the records already there, with the bytes of a single append.
TEST_F(UninstallRecordTest, KeptOpenAppenderHandsOverEachRecordAtOnce) {
    const std::wstring target = folder.wide();
    folder.write("uninstall.dat", record(u"FILE:old"));
    UninstallRecordAppender appender(platform, target + L"\\");
    EXPECT_EQ(appender.append(true, target), AppendResult::Written);
    EXPECT_EQ(folder.read("uninstall.dat"),
              record(u"FILE:old") + record(utf16FromWide(L"FOLDER:" + target)));
    EXPECT_EQ(appender.append(false, L"C:\\x"), AppendResult::Written);
    EXPECT_EQ(appender.append(false, std::wstring(300, L'x')), AppendResult::TooLong);
    EXPECT_EQ(folder.read("uninstall.dat").substr(1040), record(u"FILE:C:\\x"));
    EXPECT_EQ(folder.read("uninstall.dat").size(), 1560U);
}

TEST_F(UninstallRecordTest, AppendKeepsOldRecordsAndRefusesTextsThatDoNotFit) {
    folder.write("uninstall.dat", record(u"FILE:old"));
    const std::wstring target = folder.wide();
    // "FILE:" and 254 units is the longest text: 259 units and the NUL.
    EXPECT_EQ(records.AppendUninstallRecord(target, false, std::wstring(254, L'p')),
              AppendResult::Written);
    EXPECT_EQ(records.AppendUninstallRecord(target, false, std::wstring(255, L'p')),
              AppendResult::TooLong);
    EXPECT_EQ(records.AppendUninstallRecord(target, true, std::wstring(253, L'p')),
              AppendResult::TooLong);
    // Units are counted in UTF-16: one character beyond the BMP is two.
    EXPECT_EQ(records.AppendUninstallRecord(target, false, std::wstring(253, L'p') + L"\U0001F600"),
              AppendResult::TooLong);
    const std::string bytes = folder.read("uninstall.dat");
    ASSERT_EQ(bytes.size(), 1040U);
    EXPECT_EQ(bytes.substr(520), record(u"FILE:" + std::u16string(254, u'p')));
}

TEST_F(UninstallRecordTest, AppendIntoAMissingFolderIsLostWithoutAMessage) {
    EXPECT_EQ(records.AppendUninstallRecord(folder.wide("missing"), true, L"x"),
              AppendResult::NotOpened);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UninstallRecordTest, CountsWholeRecordsOnly) {
    folder.write("uninstall.dat", record(u"FILE:a") + record(u"FILE:b") + std::string(1, 'x'));
    EXPECT_EQ(records.CountUninstallRecords(folder.wide()), 2);
    EXPECT_EQ(records.CountUninstallRecords(folder.wide() + L"\\"), 2);
    folder.write("uninstall.dat", "");
    EXPECT_EQ(records.CountUninstallRecords(folder.wide()), 0);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UninstallRecordTest, LoadReadsTextsUpToTheirNul) {
    // 1,041 bytes: two records and one stray byte.
    std::string second = record(u"FILE:C:\\G\\\u00e9");
    second.replace(40, 4, "junk");  // after the NUL: no meaning
    folder.write("uninstall.dat", record(u"FOLDER:C:\\G") + second + "z");
    auto texts = records.LoadUninstallRecords(folder.wide());
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"FOLDER:C:\\G", L"FILE:C:\\G\\\u00e9"}));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UninstallRecordTest, LoadOfARecordWithoutNulStopsAtItsEnd) {
    std::string full(520, 'A');  // 260 units of U+4141
    folder.write("uninstall.dat", full + record(u"FILE:x"));
    auto texts = records.LoadUninstallRecords(folder.wide());
    ASSERT_EQ(texts.size(), 2U);
    EXPECT_EQ(texts[0], std::wstring(260, L'\x4141'));
    EXPECT_EQ(texts[1], L"FILE:x");
}

TEST_F(UninstallRecordTest, MissingFileIsReportedByItsFullPath) {
    EXPECT_EQ(records.CountUninstallRecords(folder.wide() + L"\\"), 0);
    EXPECT_TRUE(records.LoadUninstallRecords(folder.wide()).empty());
    const std::wstring path = folder.wide() + L"\\uninstall.dat";
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::wstring>{L"Failed to open " + path, L"Failed to open " + path}));
    EXPECT_EQ(prompt.shown[0].icon, MessageIcon::None);
}

TEST_F(UninstallRecordTest, EmptyFileGivesNoRecordsAndNoMessage) {
    folder.write("uninstall.dat", "");
    EXPECT_TRUE(records.LoadUninstallRecords(folder.wide()).empty());
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(UninstallRecordInterpretTest, TypeWordAndPath) {
    struct Case {
        std::wstring text;
        RecordKind kind;
        std::wstring path;
    };
    const std::vector<Case> cases = {
        {L"FOLDER:C:\\Games\\V", RecordKind::Folder, L"C:\\Games\\V"},
        {L"FILE:C:\\Games\\V\\a.txt", RecordKind::File, L"C:\\Games\\V\\a.txt"},
        {L"FILE:", RecordKind::File, L""},
        {L"file:C:\\x", RecordKind::Skip, L""},
        {L"Folder:C:\\x", RecordKind::Skip, L""},
        {L"FILES:C:\\x", RecordKind::Skip, L""},
        {L"FILE", RecordKind::Skip, L""},
        {L"", RecordKind::Skip, L""},
        {L"C:\\x", RecordKind::Skip, L""},
        // key=value form: the key and its "=" are removed from the type word.
        {L"k=FILE:C:\\x", RecordKind::File, L"C:\\x"},
        {L"k=k=FILE:C:\\x", RecordKind::File, L"C:\\x"},
        {L"ke=FILE:C:\\x", RecordKind::File, L"C:\\x"},
        {L"key=FOLDERkey:C:\\x", RecordKind::Skip, L""},
        {L"k=Fk=ILE:C:\\x", RecordKind::File, L"C:\\x"},
        // An "=" after the colon leaves the type word alone.
        {L"FILE:C:\\a=b", RecordKind::File, L"C:\\a=b"},
        {L"FOLDER:C:\\x=y\\z", RecordKind::Folder, L"C:\\x=y\\z"},
        {L"=FILE:C:\\x", RecordKind::File, L"C:\\x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        auto action = interpretUninstallRecord(c.text);
        EXPECT_EQ(action.kind, c.kind);
        if (c.kind != RecordKind::Skip) {
            EXPECT_EQ(action.path, c.path);
        }
    }
}

}  // namespace
