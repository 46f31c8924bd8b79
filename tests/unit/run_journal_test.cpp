#include "common/run_journal.h"

#include <gtest/gtest.h>

#include "common/interrupted_run.h"
#include "common/journaled_registry.h"
#include "common/posix_platform.h"
#include "common/run_undo.h"
#include "tests/support/memory_registry.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

// A journal with one entry of each kind, and the byte length after each.
class RunJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Host paths as they are: no drive letters mapped.
        platform_ = std::make_unique<PosixPlatform>();
        journal_ = RunJournal::create(*platform_, folder_.wide(), true, true, 1040);
        ASSERT_TRUE(journal_);
        ends_.push_back(size());
        ASSERT_TRUE(journal_->folderThere(L"C:\\Games\\Data"));
        ends_.push_back(size());
        ASSERT_TRUE(journal_->setAside(L"C:\\Games\\a.txt", L"C:\\Games\\a.txt.ckvold"));
        ends_.push_back(size());
        RegistryChange key;
        key.root = RegistryRoot::ClassesRoot;
        key.key = L"KVUpdatePack";
        ASSERT_TRUE(journal_->registryChanged(key));
        ends_.push_back(size());
        RegistryChange value;
        value.kind = RegistryChange::Kind::ValueChanged;
        value.root = RegistryRoot::LocalMachine;
        value.key = L"Software\\Game";
        value.name = L"InstallDate";
        value.held = RegistryChange::Held::Text;
        value.text = L"20261201";
        ASSERT_TRUE(journal_->registryChanged(value));
        ends_.push_back(size());
        ASSERT_TRUE(journal_->commit());
        ends_.push_back(size());
    }
    size_t size() { return folder_.read(journalName()).size(); }
    static std::string journalName() { return "install.journal"; }
    std::vector<uint8_t> bytes() {
        const std::string text = folder_.read(journalName());
        return {text.begin(), text.end()};
    }
    // How many entries a state holds, Begin included.
    static size_t entries(const RunJournalState& state) {
        return (state.begun ? 1 : 0) + state.foldersThere.size() + state.setAside.size() +
               state.registry.size() + (state.committed ? 1 : 0);
    }

    TempFolder folder_;
    std::unique_ptr<PosixPlatform> platform_;
    std::unique_ptr<RunJournal> journal_;
    std::vector<size_t> ends_;
};

TEST_F(RunJournalTest, EveryPrefixReadsAsTheEntriesWhollyInIt) {
    const std::vector<uint8_t> all = bytes();
    ASSERT_EQ(all.size(), ends_.back());
    for (size_t length = 0; length <= all.size(); ++length) {
        auto state = parseRunJournal({all.begin(), all.begin() + static_cast<long>(length)});
        if (length < 8) {
            EXPECT_FALSE(state) << length;
            continue;
        }
        ASSERT_TRUE(state) << length;
        size_t whole = 0;
        while (whole < ends_.size() && ends_[whole] <= length) {
            ++whole;
        }
        EXPECT_EQ(entries(*state), whole) << "cut after byte " << length;
    }
    const auto full = parseRunJournal(all);
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->targetWasThere);
    EXPECT_EQ(full->recordBytes, 1040u);
    EXPECT_EQ(full->setAside[0].aside, L"C:\\Games\\a.txt.ckvold");
    EXPECT_EQ(full->registry[1].text, L"20261201");
    EXPECT_EQ(full->registry[1].name, L"InstallDate");
    EXPECT_TRUE(full->committed);
}

TEST_F(RunJournalTest, ADamagedEntryEndsTheJournalThere) {
    std::vector<uint8_t> all = bytes();
    all[ends_[1] + 12] ^= 0x20;  // a character of the set-aside path
    auto state = parseRunJournal(all);
    ASSERT_TRUE(state);
    EXPECT_EQ(entries(*state), 2u);
    EXPECT_TRUE(state->setAside.empty());
    EXPECT_FALSE(state->committed);

    all = bytes();
    all[0] = 'X';
    EXPECT_FALSE(parseRunJournal(all));
}

// Each change made through the journaled registry is taken back by the undo,
// newest first, to the registry as it was.
TEST(JournaledRegistryTest, TheUndoPutsTheRegistryBackAsItWas) {
    TempFolder folder;
    PosixPlatform platform;
    MemoryRegistry registry;
    const auto hklm = RegistryRoot::LocalMachine;
    ASSERT_TRUE(registry.createKey(hklm, L"Software\\Uninstall\\Game"));
    ASSERT_TRUE(registry.setStringValue(hklm, L"Software\\Uninstall\\Game", L"InstallDate", L"1"));
    ASSERT_TRUE(registry.setNumberValue(hklm, L"Software\\Uninstall\\Game", L"EstimatedSize", 7));
    const MemoryRegistry::Contents before = registry.contents();

    auto journal = RunJournal::create(platform, folder.wide(), true, false, 0);
    ASSERT_TRUE(journal);
    JournaledRegistry run(registry, *journal);
    EXPECT_TRUE(run.setStringValue(hklm, L"Software\\Uninstall\\Game", L"InstallDate", L"2"));
    EXPECT_TRUE(run.setNumberValue(hklm, L"Software\\Uninstall\\Game", L"EstimatedSize", 9));
    EXPECT_TRUE(run.setStringValue(hklm, L"Software\\Uninstall\\Game", L"Publisher", L"P"));
    EXPECT_TRUE(run.createKey(RegistryRoot::ClassesRoot, L"KVUpdatePack\\shell\\open\\command"));
    EXPECT_TRUE(run.setStringValue(RegistryRoot::ClassesRoot, L"KVUpdatePack\\shell\\open\\command",
                                   L"", L"game.exe"));
    // A tree the run did not make cannot be put back, so it is not deleted.
    EXPECT_FALSE(run.deleteTree(hklm, L"Software\\Uninstall\\Game"));
    EXPECT_TRUE(run.deleteTree(RegistryRoot::ClassesRoot, L"KVUpdatePack\\shell"));
    ASSERT_NE(registry.contents(), before);
    // One entry for the created tree, none for values inside it.
    EXPECT_EQ(journal->state().registry.size(), 4u);

    // Closed, as the installer closes it before its undo.
    journal.reset();
    auto state = readRunJournal(platform, folder.wide());
    ASSERT_TRUE(state);
    ScriptedPrompt prompt;
    for (int replay = 0; replay < 2; ++replay) {
        RunUndo(platform, prompt, registry, folder.wide(), *state, MissingRecord::Silent)
            .run(std::atomic<bool>{false}, [](size_t) {});
        EXPECT_EQ(registry.contents(), before) << "replay " << replay;
    }
    EXPECT_FALSE(platform.fileExists(RunJournal::pathIn(folder.wide())));
}

}  // namespace
