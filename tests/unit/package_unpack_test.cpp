#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <thread>

#include "installer/engine/inflate_pipeline.h"
#include "installer/engine/zip_file_package.h"
#include "tests/support/fault_platform.h"
#include "tests/support/package_builder.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"

namespace {

const std::wstring kTarget = L"C:\\Games\\Varnholt";

// What the callbacks saw, in order, and the bytes each file received.
struct Recorder {
    std::vector<std::wstring> events;
    std::map<std::wstring, std::string> files;
    std::wstring openFile;
    int refuseCreateAt = -1;  // index of the create call that answers 0
    int refuseWriteAt = -1;
    bool refuseEnd = false;
    int creates = 0;
    int writes = 0;
};

// Plain functions with a context, the shape the installer's worker uses.
int createEntry(void* context, int isFolder, uint32_t chunkCount, const std::wstring& target,
                const std::wstring& name) {
    auto& r = *static_cast<Recorder*>(context);
    EXPECT_EQ(target, kTarget);
    r.events.push_back((isFolder ? L"folder " : L"file ") + name + L" " +
                       std::to_wstring(chunkCount));
    if (r.creates++ == r.refuseCreateAt) {
        return 0;
    }
    if (!isFolder) {
        r.openFile = name;
        r.files[name];
    }
    return 1;
}

int writeData(void* context, const uint8_t* data, size_t length) {
    auto& r = *static_cast<Recorder*>(context);
    r.events.push_back(L"write " + std::to_wstring(length));
    r.files[r.openFile].append(reinterpret_cast<const char*>(data), length);
    return r.writes++ == r.refuseWriteAt ? 0 : 1;
}

int endEntry(void* context) {
    auto& r = *static_cast<Recorder*>(context);
    r.events.push_back(L"end");
    return r.refuseEnd ? 0 : 1;
}

std::string pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761U + 1;
    for (auto& b : bytes) {
        state = state * 1103515245U + 12345U;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A prompt whose script can be replaced between the cases of one test.
class PromptSlot : public UserPrompt {
public:
    void script(std::deque<bool> answers) {
        current_ = std::make_unique<ScriptedPrompt>(std::move(answers));
    }
    ScriptedPrompt& log() { return *current_; }
    void showMessage(const std::wstring& text, MessageIcon icon) override {
        current_->showMessage(text, icon);
    }
    bool askYesNo(const std::wstring& text, MessageIcon icon) override {
        return current_->askYesNo(text, icon);
    }

private:
    std::unique_ptr<ScriptedPrompt> current_ = std::make_unique<ScriptedPrompt>();
};

class PackageUnpackTest : public ::testing::Test {
protected:
    // Opens the medium and unpacks it; the next-disc answers come from
    // `discAnswers` (an empty list gives up), each call is logged.
    int unpack(const PackageBuilder& builder) {
        builder.writeTo(medium);
        return unpackWritten();
    }
    int unpackWritten() {
        reader.SetText(CZipFilePackage::kReadErrorQuestion, L"Read error. Try again?");
        reader.SetText(CZipFilePackage::kDiskFullQuestion, L"Disk nearly full. Check again?");
        if (!reader.Open(medium.wide())) {
            return -1;
        }
        return reader.UnCompress(&recorder, kTarget, createEntry, endEntry, writeData,
                                 [this](std::wstring& folder, int number) {
                                     discCalls.push_back(folder + L"#" + std::to_wstring(number));
                                     if (number == -1) {
                                         return 2;
                                     }
                                     if (!discFolders.empty()) {
                                         folder = discFolders.front();
                                         discFolders.erase(discFolders.begin());
                                     }
                                     if (discAnswers.empty()) {
                                         return 1;
                                     }
                                     int answer = discAnswers.front();
                                     discAnswers.erase(discAnswers.begin());
                                     return answer;
                                 });
    }
    std::wstring package(int number, const std::wstring& folder = {}) const {
        return (folder.empty() ? medium.wide() : folder) + L"\\data" + std::to_wstring(number) +
               L".pck";
    }

    TempFolder medium;
    PosixPlatform posix;
    FaultPlatform platform{posix};
    PromptSlot prompt;
    CZipFilePackage reader{platform, prompt};
    Recorder recorder;
    std::vector<int> discAnswers;
    std::vector<std::wstring> discFolders;
    std::vector<std::wstring> discCalls;
};

TEST_F(PackageUnpackTest, EmptyStreamCallsNothing) {
    EXPECT_EQ(unpack(PackageBuilder()), CZipFilePackage::kDone);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(prompt.log().shown.empty());
}

TEST_F(PackageUnpackTest, WithoutOpenNothingIsRead) {
    EXPECT_EQ(reader.UnCompress(&recorder, kTarget, createEntry, endEntry, writeData, {}),
              CZipFilePackage::kStopped);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(PackageUnpackTest, WalksFoldersAndFilesInStreamOrder) {
    const std::string big = pattern(3000, 1);
    PackageBuilder builder;
    builder.folder(u"bin")
        .file(u"bin\\game.exe", 2)
        .chunk(big.substr(0, 2000))
        .chunk(big.substr(2000))
        .file(u"empty.txt", 0)
        .folder(u"bin\\data")
        .file(u"bin\\data\\\u00e9t\u00e9.txt", 1)
        .chunk("summer");
    ASSERT_EQ(unpack(builder), CZipFilePackage::kDone);
    std::vector<std::wstring> expected = {L"folder bin 0",
                                          L"file bin\\game.exe 2",
                                          L"write 2000",
                                          L"write 1000",
                                          L"end",
                                          L"file empty.txt 0",
                                          L"end",
                                          L"folder bin\\data 0",
                                          L"file bin\\data\\\u00e9t\u00e9.txt 1",
                                          L"write 6",
                                          L"end"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(recorder.files[L"bin\\game.exe"], big);
    EXPECT_EQ(recorder.files[L"empty.txt"], "");
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_TRUE(discCalls.empty());
}

// A file in memory that takes positioned writes from any thread. Each write
// lasts a millisecond, so that two writes to it at once are seen.
class StringFile : public File {
public:
    size_t read(void*, size_t) override { return 0; }
    size_t write(const void*, size_t) override { return 0; }
    size_t writeAt(uint64_t offset, const void* data, size_t size) override {
        if (writers_.fetch_add(1) > 0) {
            overlapped = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        --writers_;
        std::lock_guard<std::mutex> hold(lock_);
        if (bytes.size() < offset + size) {
            bytes.resize(offset + size);
        }
        bytes.replace(offset, size, static_cast<const char*>(data), size);
        return size;
    }
    bool seek(uint64_t) override { return false; }
    std::optional<uint64_t> position() override { return std::nullopt; }
    std::optional<uint64_t> size() override { return bytes.size(); }
    bool atEnd() const override { return true; }
    bool flush(bool) override { return true; }
    std::string bytes;
    std::atomic<bool> overlapped{false};

private:
    std::atomic<int> writers_{0};
    std::mutex lock_;
};

// What an unpack through an InflatePipeline saw: its steps and reports in
// order, whether two of them ever ran at once, and the files it wrote.
struct PipelineRun {
    InflatePipeline* pipeline = nullptr;
    std::vector<std::wstring> events;
    std::map<std::wstring, std::shared_ptr<StringFile>> files;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};

    // Each step and report outlasts a write, so that two at once are seen.
    void record(std::wstring event) {
        if (running.fetch_add(1) > 0) {
            overlapped = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        events.push_back(std::move(event));
        --running;
    }

    static int create(void* context, int isFolder, uint32_t, const std::wstring&,
                      const std::wstring& name) {
        auto& run = *static_cast<PipelineRun*>(context);
        run.record((isFolder ? L"folder " : L"file ") + name);
        if (!isFolder) {
            run.files[name] = std::make_shared<StringFile>();
            run.pipeline->setFile(run.files[name], name);
        }
        return 1;
    }
    static int end(void* context) {
        auto& run = *static_cast<PipelineRun*>(context);
        run.record(L"end");
        run.pipeline->setFile(nullptr, L"");
        return 1;
    }
};

// One job is an installer on one processor: the reader's own thread then
// inflates and writes every chunk. With more, workers do too. Either way the
// files, steps and reports are those of the walk on one thread.
TEST_F(PackageUnpackTest, InflatePipelineKeepsTheWalksOrderWhateverTheJobs) {
    const std::string big = pattern(12000, 3);
    PackageBuilder builder;
    builder.file(u"a.bin", 12);
    for (int i = 0; i < 12; ++i) {
        builder.chunk(big.substr(static_cast<size_t>(i) * 1000, 1000));
    }
    builder.folder(u"c").file(u"c\\d.txt", 2).chunk("one").chunk("two").file(u"e.txt", 0);
    builder.writeTo(medium);
    std::vector<std::wstring> expected = {L"file a.bin"};
    for (int i = 0; i < 12; ++i) {
        expected.push_back(L"a.bin 1000");
    }
    for (const wchar_t* event : {L"end", L"folder c", L"file c\\d.txt", L"c\\d.txt 3",
                                 L"c\\d.txt 3", L"end", L"file e.txt", L"end"}) {
        expected.push_back(event);
    }
    for (const int jobs : {1, 3}) {
        SCOPED_TRACE(jobs);
        ASSERT_TRUE(reader.Open(medium.wide()));
        PipelineRun run;
        InflatePipeline pipeline(jobs, reader.freeSpaceRule(kTarget), prompt,
                                 [&run](const std::wstring& path, size_t length, bool written) {
                                     run.record(path + L" " + std::to_wstring(length));
                                     return written;
                                 });
        run.pipeline = &pipeline;
        EXPECT_EQ(reader.UnCompressPacked(&run, kTarget, PipelineRun::create, PipelineRun::end,
                                          pipeline, [](std::wstring&, int) { return 1; }),
                  CZipFilePackage::kDone);
        EXPECT_EQ(run.events, expected);
        EXPECT_FALSE(run.overlapped) << "two steps or reports at once";
        EXPECT_EQ(run.files[L"a.bin"]->bytes, big);
        // The system would only make the second wait.
        EXPECT_FALSE(run.files[L"a.bin"]->overlapped) << "two writes to one file at once";
        EXPECT_EQ(run.files[L"c\\d.txt"]->bytes, "onetwo");
        EXPECT_EQ(run.files[L"e.txt"]->bytes, "");
        reader.Close();
    }
    EXPECT_TRUE(prompt.log().shown.empty());
}

// The pipeline's buffers serve packed and inflated bytes in turn: a request
// gets the smallest kept buffer that holds it, else the largest.
TEST(ChunkBufferPool, GivesTheSmallestThatFitsElseTheLargest) {
    ChunkBufferPool pool;
    EXPECT_EQ(pool.take(1).data(), nullptr);
    for (size_t size : {300U << 10, 2U << 20, 700U << 10}) {
        ChunkBuffer buffer;
        ASSERT_TRUE(buffer.reserve(size));
        pool.keep(std::move(buffer));
    }
    pool.keep(ChunkBuffer());  // nothing to keep
    const std::pair<size_t, size_t> takes[] = {
        {600U << 10, 768U << 10}, {5U << 20, 2U << 20}, {1, 512U << 10}, {1, 0}};
    for (const auto& [size, capacity] : takes) {
        EXPECT_EQ(pool.take(size).capacity(), capacity) << size;
    }
}

TEST_F(PackageUnpackTest, ChunkSizesAtTheEdges) {
    PackageBuilder builder;
    builder.file(u"short", 1)
        .chunk("abc", 10)  // inflates to less than stated: written as it is
        .file(u"zero", 1)
        .chunk("", 0)
        .file(u"stored", 1)
        .chunk(pattern(70000, 2), -1, 0);
    ASSERT_EQ(unpack(builder), CZipFilePackage::kDone);
    EXPECT_EQ(recorder.files[L"short"], "abc");
    EXPECT_EQ(recorder.files[L"zero"], "");
    EXPECT_EQ(recorder.files[L"stored"], pattern(70000, 2));
}

TEST_F(PackageUnpackTest, DataThatDoesNotInflateIsRefused) {
    struct Case {
        const char* what;
        PackageBuilder builder;
    };
    std::vector<Case> cases;
    cases.push_back({"more than stated", PackageBuilder().file(u"f", 1).chunk("abcd", 3)});
    cases.push_back({"one byte into none", PackageBuilder().file(u"f", 1).chunk("a", 0)});
    cases.push_back({"not zlib", PackageBuilder().file(u"f", 1).rawChunk("garbage!", 8, 100)});
    cases.push_back({"cut short", PackageBuilder().file(u"f", 1).rawChunk("\x78\x9c", 2, 100)});
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.log().shown.clear();
        recorder = Recorder();
        EXPECT_EQ(unpack(c.builder), CZipFilePackage::kStopped);
        EXPECT_EQ(prompt.log().texts(),
                  std::vector<std::wstring>{L"Failed to uncompress zip data!"});
        EXPECT_EQ(prompt.log().shown[0].icon, MessageIcon::None);
        EXPECT_EQ(recorder.events, std::vector<std::wstring>{L"file f 1"});
    }
}

TEST_F(PackageUnpackTest, ChunkSizesAboveTheBoundAreRefusedBeforeAllocation) {
    for (auto sizes : {std::pair<uint32_t, uint32_t>{kMaxCompressedChunkSize + 1, 10},
                       std::pair<uint32_t, uint32_t>{10, kMaxChunkSize + 1},
                       std::pair<uint32_t, uint32_t>{0xFFFFFFFF, 0xFFFFFFFF}}) {
        prompt.log().shown.clear();
        EXPECT_EQ(unpack(PackageBuilder().file(u"f", 1).rawChunk("x", sizes.first, sizes.second)),
                  CZipFilePackage::kStopped);
        EXPECT_EQ(prompt.log().texts(),
                  std::vector<std::wstring>{L"Invalid chunk size in " + package(1) + L"!"});
    }
    // The bounds themselves are sizes a chunk may have.
    ChunkHeader largest{kMaxCompressedChunkSize, kMaxChunkSize};
    EXPECT_TRUE(largest.withinBounds());
}

TEST_F(PackageUnpackTest, UnknownEntryType) {
    EXPECT_EQ(unpack(PackageBuilder().folder(u"a").entry(u"b", 2, 0)), CZipFilePackage::kStopped);
    EXPECT_EQ(prompt.log().texts(),
              std::vector<std::wstring>{
                  L"CZipFilePackage::UnCompress(), Failed to uncompress,unknowable chunk type!"});
    EXPECT_EQ(recorder.events, std::vector<std::wstring>{L"folder a 0"});
}

TEST_F(PackageUnpackTest, NamesThatLeaveTheTargetFolderAreRefused) {
    for (std::u16string name :
         {u"..", u"..\\evil.dll", u"data\\..\\..\\evil.dll", u"a/../../x", u"C:\\Windows\\evil.dll",
          u"c:evil", u"\\Windows\\evil.dll", u"/etc/passwd", u"\\\\server\\share\\x",
          u"file.txt:stream", u"a\\...\\b", u"a\\.. \\b", u""}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        prompt.log().shown.clear();
        recorder = Recorder();
        EXPECT_EQ(unpack(PackageBuilder().file(name, 0)), CZipFilePackage::kStopped);
        EXPECT_EQ(prompt.log().texts(),
                  std::vector<std::wstring>{
                      L"Unsafe entry name in the package (not a path below the target folder): " +
                      wideFromUtf16(name)});
        EXPECT_TRUE(recorder.events.empty());
    }
    // Names that only look odd stay below the folder.
    for (std::u16string name : {u"a..b", u".hidden", u"a\\.\\b", u"x..", u"\u00e9\u00e8"}) {
        recorder = Recorder();
        EXPECT_EQ(unpack(PackageBuilder().file(name, 0)), CZipFilePackage::kDone);
    }
}

TEST_F(PackageUnpackTest, NameThatFillsItsFieldWithoutEndIsRefused) {
    const std::u16string full(256, u'a');
    EXPECT_EQ(unpack(PackageBuilder().folder(full)), CZipFilePackage::kStopped);
    EXPECT_EQ(
        prompt.log().texts(),
        std::vector<std::wstring>{L"Invalid entry name in the package (no end within 512 bytes): " +
                                  std::wstring(256, L'a')});
    EXPECT_TRUE(recorder.events.empty());
    // 255 units and the NUL are the longest name.
    prompt.log().shown.clear();
    EXPECT_EQ(unpack(PackageBuilder().folder(std::u16string(255, u'a'))), CZipFilePackage::kDone);
}

TEST_F(PackageUnpackTest, RefusalsOfTheCallbacks) {
    recorder.refuseCreateAt = 1;
    EXPECT_EQ(unpack(PackageBuilder().folder(u"a").file(u"a\\f", 0)), CZipFilePackage::kStopped);
    EXPECT_EQ(prompt.log().texts(),
              std::vector<std::wstring>{L"Failed to create " + kTarget + L"!"});
    EXPECT_EQ(prompt.log().shown[0].icon, MessageIcon::None);

    prompt.log().shown.clear();
    recorder = Recorder();
    recorder.refuseCreateAt = 1;
    EXPECT_EQ(unpack(PackageBuilder().folder(u"a").folder(u"b").folder(u"c")),
              CZipFilePackage::kStopped);
    EXPECT_EQ(prompt.log().texts(),
              std::vector<std::wstring>{L"Failed to create " + kTarget + L"! "});
    EXPECT_EQ(recorder.events.size(), 2U);

    prompt.log().shown.clear();
    recorder = Recorder();
    recorder.refuseWriteAt = 0;
    EXPECT_EQ(unpack(PackageBuilder().file(u"f", 2).chunk("a").chunk("b")),
              CZipFilePackage::kStopped);
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"file f 2", L"write 1"}));

    recorder = Recorder();
    recorder.refuseEnd = true;
    EXPECT_EQ(unpack(PackageBuilder().file(u"f", 0).file(u"g", 0)), CZipFilePackage::kStopped);
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"file f 0", L"end"}));
}

TEST_F(PackageUnpackTest, SwitchesPackagesWhereAChunkIsDueSkippingPadding) {
    const std::string data = pattern(5000, 3);
    for (size_t padding = 0; padding < 8; ++padding) {
        SCOPED_TRACE(padding);
        recorder = Recorder();
        discCalls.clear();
        PackageBuilder builder;
        builder.folder(u"d")
            .file(u"d\\f", 3)
            .raw(std::string(padding, '\xEE'))
            .cut()  // right after the record of a file with chunks
            .chunk(data.substr(0, 1000))
            .raw(std::string(padding, '\xEE'))
            .cut()  // between two chunks of a file
            .chunk(data.substr(1000, 1000))
            .chunk(data.substr(2000))
            .file(u"g", 1)
            .raw(std::string(padding, '\xEE'))
            .cut()
            .chunk("last");
        ASSERT_EQ(unpack(builder), CZipFilePackage::kDone);
        EXPECT_EQ(recorder.files[L"d\\f"], data);
        EXPECT_EQ(recorder.files[L"g"], "last");
        EXPECT_EQ(reader.currentPackage(), 4);
        // Each package opened at once: only the dismissing calls.
        EXPECT_EQ(discCalls, (std::vector<std::wstring>{L"#-1", L"#-1", L"#-1"}));
        EXPECT_TRUE(prompt.log().shown.empty());
    }
}

TEST_F(PackageUnpackTest, ChunksDueAfterTheLastPackageStopSilently) {
    EXPECT_EQ(unpack(PackageBuilder().file(u"f", 2).chunk("a").raw("1234567")),
              CZipFilePackage::kStopped);
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_TRUE(discCalls.empty());
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"file f 2", L"write 1"}));
}

TEST_F(PackageUnpackTest, EntriesPromisedButMissingAskAboutTheReadError) {
    EXPECT_EQ(unpack(PackageBuilder().folder(u"a").entryCount(2)), CZipFilePackage::kStopped);
    ASSERT_EQ(prompt.log().shown.size(), 1U);
    EXPECT_EQ(prompt.log().shown[0].text, L"Read error. Try again?");
    EXPECT_EQ(prompt.log().shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(prompt.log().shown[0].question);
}

PackageBuilder twoDiscs() {
    PackageBuilder builder;
    builder.file(u"f", 3).chunk("one").cut().chunk("two").cut().chunk("three");
    return builder;
}

TEST_F(PackageUnpackTest, NextDiscFoundInTheFolderTheCallbackGives) {
    TempFolder disc2;
    auto packages = twoDiscs().build();
    medium.write("data1.pck", packages[0]);
    disc2.write("data2.pck", packages[1]);
    disc2.write("data3.pck", packages[2]);
    discFolders = {disc2.wide()};
    discAnswers = {0};
    ASSERT_EQ(unpackWritten(), CZipFilePackage::kDone);
    EXPECT_EQ(recorder.files[L"f"], "onetwothree");
    // Asked once for package 2 with the medium folder; data3 is then looked
    // for in the new folder and found at once.
    EXPECT_EQ(discCalls, (std::vector<std::wstring>{medium.wide() + L"#2", L"#-1", L"#-1"}));
    EXPECT_EQ(reader.mediumFolder(), disc2.wide());
    EXPECT_TRUE(platform.sleeps.empty());
}

TEST_F(PackageUnpackTest, NextDiscOkWithoutTheDiscAsksAgainThenCancel) {
    auto packages = twoDiscs().build();
    medium.write("data1.pck", packages[0]);
    discAnswers = {0, 1};
    EXPECT_EQ(unpackWritten(), CZipFilePackage::kStopped);
    EXPECT_EQ(discCalls, (std::vector<std::wstring>{medium.wide() + L"#2", medium.wide() + L"#2"}));
    EXPECT_EQ(std::count(platform.opened.begin(), platform.opened.end(), package(2)), 2);
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"file f 3", L"write 3"}));
}

TEST_F(PackageUnpackTest, NextDiscOnTheNtFamilyRetriesTheFileEverySecond) {
    twoDiscs().writeTo(medium);
    platform.openScript[package(2)] = {false, false, false};
    discAnswers = {2, 2, 2, 2};
    ASSERT_EQ(unpackWritten(), CZipFilePackage::kDone);
    // Three failed opens, with a poll and a second's wait after each, then
    // the disc is there without any OK.
    EXPECT_EQ(discCalls, (std::vector<std::wstring>{medium.wide() + L"#2", medium.wide() + L"#2",
                                                    medium.wide() + L"#2", L"#-1", L"#-1"}));
    EXPECT_EQ(platform.sleeps, (std::vector<unsigned>{1000, 1000, 1000}));
    EXPECT_EQ(std::count(platform.opened.begin(), platform.opened.end(), package(2)), 4);
    EXPECT_EQ(recorder.files[L"f"], "onetwothree");
}

TEST_F(PackageUnpackTest, NextDiscOnThe9xFamilyOnlyPolls) {
    twoDiscs().writeTo(medium);
    platform.ntFamily = false;
    platform.openScript[package(2)] = {false};
    discAnswers = {2, 2, 0};
    ASSERT_EQ(unpackWritten(), CZipFilePackage::kDone);
    EXPECT_EQ(platform.sleeps, (std::vector<unsigned>{1000, 1000}));
    // The file is tried again only after the answer 0.
    EXPECT_EQ(std::count(platform.opened.begin(), platform.opened.end(), package(2)), 2);
    EXPECT_EQ(discCalls.size(), 5U);
}

TEST_F(PackageUnpackTest, ShortReadIsRetriedFromTheResumePoint) {
    // Offsets inside the header-following record, a chunk header and chunk data.
    const std::string data = pattern(4000, 4);
    for (uint64_t offset : {32U + 100U, 32U + 520U + 3U, 32U + 520U + 8U + 50U}) {
        SCOPED_TRACE(offset);
        recorder = Recorder();
        prompt.script({true});
        platform.sleeps.clear();
        platform.opened.clear();
        platform.shortReads = {{package(1), offset}};
        ASSERT_EQ(unpack(PackageBuilder().file(u"f", 1).chunk(data, -1, 0)),
                  CZipFilePackage::kDone);
        EXPECT_EQ(recorder.files[L"f"], data);
        ASSERT_EQ(prompt.log().shown.size(), 1U);
        EXPECT_EQ(prompt.log().shown[0].text, L"Read error. Try again?");
        EXPECT_EQ(prompt.log().shown[0].icon, MessageIcon::Stop);
        EXPECT_EQ(platform.sleeps, std::vector<unsigned>{1000});
        // Opened by Open, then once more by the retry.
        EXPECT_EQ(platform.opened, (std::vector<std::wstring>{package(1), package(1)}));
    }
}

TEST_F(PackageUnpackTest, ShortReadInALaterPackageReopensThatPackage) {
    auto builder = twoDiscs();
    builder.writeTo(medium);
    platform.shortReads = {{package(2), 9}};
    prompt.script({true});
    ASSERT_EQ(unpackWritten(), CZipFilePackage::kDone);
    EXPECT_EQ(recorder.files[L"f"], "onetwothree");
    EXPECT_EQ(std::count(platform.opened.begin(), platform.opened.end(), package(2)), 2);
}

TEST_F(PackageUnpackTest, ShortReadAnsweredNoStops) {
    platform.shortReads = {{package(1), 40}};
    EXPECT_EQ(unpack(PackageBuilder().folder(u"a")), CZipFilePackage::kStopped);
    EXPECT_EQ(prompt.log().shown.size(), 1U);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(platform.sleeps.empty());
}

TEST_F(PackageUnpackTest, FailingReopenAsksAgain) {
    PackageBuilder().folder(u"a").writeTo(medium);
    platform.shortReads = {{package(1), 40}};
    platform.openScript[package(1)] = {true, false, false};  // Open, then two failed reopens
    prompt.script({true, true, true});
    ASSERT_EQ(unpackWritten(), CZipFilePackage::kDone);
    EXPECT_EQ(prompt.log().shown.size(), 3U);
    EXPECT_EQ(platform.sleeps, (std::vector<unsigned>{1000, 1000, 1000}));
    EXPECT_EQ(recorder.events, std::vector<std::wstring>{L"folder a 0"});
}

TEST_F(PackageUnpackTest, FreeSpaceRule) {
    const std::string data = pattern(1000, 5);
    // Exactly the chunk and 1 MiB to spare is enough.
    platform.freeAnswers = {1000 + CZipFilePackage::kSpareBytes};
    ASSERT_EQ(unpack(PackageBuilder().file(u"f", 1).chunk(data)), CZipFilePackage::kDone);
    EXPECT_TRUE(prompt.log().shown.empty());
    EXPECT_EQ(platform.freeQueries, std::vector<std::wstring>{L"C:"});

    // One byte less asks; Yes looks again.
    recorder = Recorder();
    platform.freeAnswers = {999 + CZipFilePackage::kSpareBytes, 5, 1U << 30};
    prompt.script({true, true});
    ASSERT_EQ(unpack(PackageBuilder().file(u"f", 1).chunk(data)), CZipFilePackage::kDone);
    ASSERT_EQ(prompt.log().shown.size(), 2U);
    EXPECT_EQ(prompt.log().shown[0].text, L"Disk nearly full. Check again?");
    EXPECT_EQ(prompt.log().shown[0].icon, MessageIcon::None);
    EXPECT_TRUE(prompt.log().shown[0].question);
    EXPECT_EQ(recorder.files[L"f"], data);

    // No stops before the write.
    recorder = Recorder();
    platform.freeAnswers = {10};
    prompt.script({false});
    EXPECT_EQ(unpack(PackageBuilder().file(u"f", 1).chunk(data)), CZipFilePackage::kStopped);
    EXPECT_EQ(recorder.events, std::vector<std::wstring>{L"file f 1"});

    // An unknown free space lets the unpack go on.
    recorder = Recorder();
    prompt.script({});
    platform.freeAnswers = {std::nullopt};
    EXPECT_EQ(unpack(PackageBuilder().file(u"f", 1).chunk(data)), CZipFilePackage::kDone);
    EXPECT_TRUE(prompt.log().shown.empty());
}

TEST_F(PackageUnpackTest, FreeSpaceIsAskedWhenItCanMatter) {
    // The drive is asked before the first chunk, when what was written since
    // its last answer may have left less than the next chunk and 1 MiB, and
    // once 64 MiB were written since; per case, the queries made before each
    // write.
    constexpr size_t kK = 1024;
    constexpr uint64_t kM = CZipFilePackage::kSpareBytes;
    struct Case {
        const char* what;
        std::vector<std::optional<uint64_t>> answers;  // then plenty
        std::vector<std::vector<size_t>> files;        // chunk sizes per file
        std::vector<size_t> queriesBeforeWrite;
    };
    const std::vector<Case> cases = {
        {"plenty of space",
         {},
         {{300 * kK, 300 * kK}, {100}, {1024 * kK, 1024 * kK}},
         {1, 1, 1, 1, 1}},
        {"the space left runs low", {kM + 250}, {{100, 100}, {100}, {100}}, {1, 1, 2, 2}},
        {"an unknown answer", {std::nullopt}, {{100, 100}, {100}}, {1, 1, 1}},
        {"64 MiB written",
         {},
         {{16384 * kK, 16384 * kK, 16384 * kK, 16384 * kK, 100}},
         {1, 1, 1, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackageBuilder builder;
        for (size_t f = 0; f < c.files.size(); ++f) {
            builder.file(u"f" + std::u16string(1, static_cast<char16_t>(u'a' + f)),
                         static_cast<uint32_t>(c.files[f].size()));
            for (size_t size : c.files[f]) {
                builder.chunk(std::string(size, 'z'), -1, 0);
            }
        }
        builder.writeTo(medium);
        ASSERT_TRUE(reader.Open(medium.wide()));
        platform.freeQueries.clear();
        platform.freeAnswers.assign(c.answers.begin(), c.answers.end());
        std::vector<size_t> queries;
        EXPECT_EQ(
            reader.UnCompress(
                nullptr, kTarget,
                [](void*, int, uint32_t, const std::wstring&, const std::wstring&) { return 1; },
                [](void*) { return 1; },
                [&](void*, const uint8_t*, size_t) {
                    queries.push_back(platform.freeQueries.size());
                    return 1;
                },
                {}),
            CZipFilePackage::kDone);
        EXPECT_EQ(queries, c.queriesBeforeWrite);
    }
    // A query skipped is not a question skipped: the disk that fills between
    // two queries is still noticed at the next one, and No stops before the
    // write.
    recorder = Recorder();
    platform.freeAnswers = {kM + 250, 10};
    prompt.script({false});
    EXPECT_EQ(unpack(PackageBuilder()
                         .file(u"f", 2)
                         .chunk(pattern(100, 1))
                         .chunk(pattern(100, 2))
                         .file(u"g", 2)
                         .chunk(pattern(100, 3))
                         .chunk(pattern(100, 4))),
              CZipFilePackage::kStopped);
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"file f 2", L"write 100", L"write 100",
                                                          L"end", L"file g 2"}));
    EXPECT_EQ(prompt.log().texts(), std::vector<std::wstring>{L"Disk nearly full. Check again?"});
}

TEST_F(PackageUnpackTest, ChunkBytesStayValidUntilTheNextWriteReturns) {
    PackageBuilder builder;
    builder.file(u"a", 2)
        .chunk(pattern(3000, 6))
        .chunk(pattern(2000, 7))
        .file(u"b", 1)
        .chunk(pattern(100, 8));
    builder.writeTo(medium);
    ASSERT_TRUE(reader.Open(medium.wide()));
    const uint8_t* previous = nullptr;
    std::string previousBytes;
    int checked = 0;
    int result = reader.UnCompress(
        nullptr, kTarget,
        [](void*, int, uint32_t, const std::wstring&, const std::wstring&) { return 1; },
        [](void*) { return 1; },
        [&](void*, const uint8_t* data, size_t length) {
            // The last chunk's bytes are untouched by the inflating of this one.
            if (previous != nullptr) {
                EXPECT_EQ(
                    std::string(reinterpret_cast<const char*>(previous), previousBytes.size()),
                    previousBytes);
                EXPECT_NE(previous, data);
                ++checked;
            }
            previous = data;
            previousBytes.assign(reinterpret_cast<const char*>(data), length);
            return 1;
        },
        {});
    EXPECT_EQ(result, CZipFilePackage::kDone);
    EXPECT_EQ(checked, 2);
    // Still valid after the walk, until Close.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(previous), 100), pattern(100, 8));
    reader.Close();
}

TEST_F(PackageUnpackTest, LambdasWorkAsCallbacksToo) {
    PackageBuilder().file(u"f", 1).chunk("lambda").writeTo(medium);
    ASSERT_TRUE(reader.Open(medium.wide()));
    std::string received;
    int ends = 0;
    int result = reader.UnCompress(
        nullptr, kTarget,
        [](void*, int, uint32_t, const std::wstring&, const std::wstring&) { return 1; },
        [&](void*) { return ++ends; },
        [&](void*, const uint8_t* data, size_t length) {
            received.append(reinterpret_cast<const char*>(data), length);
            return 1;
        },
        {});
    EXPECT_EQ(result, CZipFilePackage::kDone);
    EXPECT_EQ(received, "lambda");
    EXPECT_EQ(ends, 1);
}

}  // namespace
