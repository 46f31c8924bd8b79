#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "common/formats.h"
#include "common/ini_file.h"
#include "common/uninstall_record.h"
#include "tests/support/fault_platform.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_folder.h"
#include "tools/medium/commands.h"
#include "tools/medium/host_path.h"
#include "tools/medium/install_ini_texts.h"
#include "tools/medium/ini_section.h"
#include "tools/medium/options.h"
#include "tools/medium/package_index.h"
#include "tools/medium/text_width.h"
#include "tools/medium/uninstall_ini_check.h"
#include "uninstaller/engine/uninstall_texts.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 256;

// One run of the tool with its output caught.
struct ToolRun {
    explicit ToolRun(const std::string& input = "", bool interactive = false) : in(input) {
        console.interactive = interactive;
    }
    int operator()(const std::vector<std::string>& words) {
        PosixPlatform platform;
        return runMedium(words, platform, console);
    }
    int operator()(const std::vector<std::string>& words, Platform& platform) {
        return runMedium(words, platform, console);
    }
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Console console{out, err, in, false, false};
};

std::string bytesOf(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed;
    for (auto& b : bytes) {
        state = state * 1664525U + 1013904223U;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A game folder with what a medium must carry intact.
void makeGame(const TempFolder& root) {
    root.write("game/Game.exe", bytesOf(kChunk * 3 + 17, 1));
    root.write("game/bin/one-chunk.dll", bytesOf(kChunk, 2));
    root.write("game/bin/one-more.dll", bytesOf(kChunk + 1, 3));
    root.write("game/bin/byte.txt", "x");
    root.write("game/empty.txt", "");
    root.write("game/data/levels/deep/nested/map.txt", std::string(5000, 'm'));
    root.write("game/donn\xC3\xA9\x65s/\xE5\x9C\xB0\xE5\x9B\xBE.txt", "non-ASCII name");
    root.write("game/\xC3\xA9t\xC3\xA9.cfg", "accent");
    fs::create_directories(root.path() / "game" / "saves" / "empty-folder");
    fs::create_directories(root.path() / "game" / "zz-empty");
}

std::string path(const TempFolder& root, const std::string& relative) {
    return (root.path() / relative).string();
}

// Every file below a folder with its bytes, by relative path; folders as "/".
std::map<std::string, std::string> treeOf(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    for (auto& entry : fs::recursive_directory_iterator(folder)) {
        auto name = fs::relative(entry.path(), folder).string();
        if (entry.is_directory()) {
            tree[name] = "/";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            tree[name] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return tree;
}

std::vector<std::string> packagesIn(const fs::path& folder) {
    std::vector<std::string> packages;
    for (int n = 1; fs::exists(folder / ("data" + std::to_string(n) + ".pck")); ++n) {
        std::ifstream in(folder / ("data" + std::to_string(n) + ".pck"), std::ios::binary);
        packages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return packages;
}

TEST(MediumTest, RoundTripOverManyPackagesAtAwkwardPoints) {
    TempFolder root;
    makeGame(root);
    const auto game = treeOf(root.path() / "game");
    // The smallest disc that holds the largest piece that cannot be split:
    // pack names the first piece too large for a disc, so a disc of that size
    // is tried next.
    uint64_t smallest = 1000;
    for (int tries = 0;; ++tries) {
        ASSERT_LT(tries, 20);
        ToolRun tooSmall;
        fs::remove_all(root.path() / "medium");
        if (tooSmall({"pack", path(root, "game"), path(root, "medium"), "--chunk-size",
                      std::to_string(kChunk), "--disc-size", std::to_string(smallest)}) ==
            kExitOk) {
            break;
        }
        const std::string takes = "cannot be split takes ";
        const size_t at = tooSmall.err.str().find(takes);
        ASSERT_NE(at, std::string::npos) << tooSmall.err.str();
        smallest = std::stoull(tooSmall.err.str().substr(at + takes.size()));
    }
    ASSERT_LT(smallest, 2700U);
    // Disc sizes that cut the stream at different records and chunks.
    for (uint64_t disc : {smallest, uint64_t{2700}, uint64_t{2811}, uint64_t{3333}, uint64_t{4096},
                          uint64_t{7919}, uint64_t{0}}) {
        SCOPED_TRACE(disc);
        fs::remove_all(root.path() / "medium");
        fs::remove_all(root.path() / "out");
        ToolRun pack;
        std::vector<std::string> words = {"pack",
                                          path(root, "game"),
                                          path(root, "medium"),
                                          "--chunk-size",
                                          std::to_string(kChunk),
                                          "--jobs",
                                          "2"};
        if (disc != 0) {
            words.push_back("--disc-size=" + std::to_string(disc));
        }
        ASSERT_EQ(pack(words), kExitOk) << pack.err.str();
        auto packages = packagesIn(root.path() / "medium");
        for (const auto& package : packages) {
            if (disc != 0) {
                EXPECT_LE(package.size(), disc);
            }
        }
        if (disc != 0 && disc < 5000) {
            EXPECT_GE(packages.size(), 3U);
            // Some file's chunks lie in another package than its record.
            PosixPlatform platform;
            auto index = indexPackages(platform, DiscSet(wideFromUtf8(path(root, "medium")), {}));
            EXPECT_TRUE(index.faults.empty());
            EXPECT_TRUE(
                std::any_of(index.entries.begin(), index.entries.end(),
                            [](const IndexedEntry& e) { return e.lastPackage > e.package; }));
        }
        ToolRun extract;
        ASSERT_EQ(extract({"extract", path(root, "medium"), path(root, "out")}), kExitOk)
            << extract.err.str();
        auto out = treeOf(root.path() / "out");
        EXPECT_EQ(out.erase("uninstall.dat"), 1U);
        EXPECT_EQ(out, game);
        ToolRun check;
        root.write("medium/install.ini",
                   utf16File(L"[restable]\r\nrescount=55\r\n[md5code]\r\ncount=0\r\n"));
        // pack printed the section, since there was no install.ini; write it in.
        ToolRun again;
        ASSERT_EQ(again(words), kExitOk);
        EXPECT_EQ(check({"check", path(root, "medium")}), kExitOk) << check.err.str();
    }
}

// Packs `words`, then checks that no package exceeds `disc` and that extract
// gives back the game folder; answers the packages.
std::vector<std::string> packAndExtract(const TempFolder& root,
                                        const std::vector<std::string>& words, uint64_t disc,
                                        ToolRun& pack) {
    fs::remove_all(root.path() / "medium");
    fs::remove_all(root.path() / "out");
    if (pack(words) != kExitOk) {
        ADD_FAILURE() << pack.err.str();
        return {};
    }
    auto packages = packagesIn(root.path() / "medium");
    for (const auto& package : packages) {
        EXPECT_LE(package.size(), disc);
    }
    ToolRun extract;
    EXPECT_EQ(extract({"extract", path(root, "medium"), path(root, "out")}), kExitOk)
        << extract.err.str();
    auto out = treeOf(root.path() / "out");
    out.erase("uninstall.dat");
    EXPECT_EQ(out, treeOf(root.path() / "game"));
    return packages;
}

TEST(MediumTest, ChunkSizeIsChosenToFitTheDisc) {
    TempFolder root;
    makeGame(root);
    // Data that does not compress, so that only a small enough chunk fits.
    root.write("game/big.bin", bytesOf(300000, 7));
    struct Case {
        std::string disc;
        std::string says;    // in pack's output; empty: the default, not mentioned
        std::string chunks;  // of big.bin, as list shows them
    };
    // A 64K disc cannot hold a 64K chunk that does not compress, with its header.
    for (const Case& c : {Case{"64K", "chunks of 32K chosen", "300000        10  big.bin"},
                          Case{"200K", "chunks of 128K chosen", "300000         3  big.bin"},
                          Case{"650M", "", "300000         1  big.bin"}}) {
        SCOPED_TRACE(c.disc);
        const uint64_t disc = *parseSize(c.disc);
        std::vector<std::vector<std::string>> results;
        for (const char* jobs : {"1", "2"}) {
            ToolRun pack;
            auto packages = packAndExtract(root,
                                           {"pack", path(root, "game"), path(root, "medium"),
                                            "--disc-size", c.disc, "--jobs", jobs},
                                           disc, pack);
            if (c.says.empty()) {
                EXPECT_EQ(pack.out.str().find("chosen"), std::string::npos) << pack.out.str();
            } else {
                EXPECT_NE(pack.out.str().find(c.says), std::string::npos) << pack.out.str();
            }
            packages.push_back(root.read("medium/check.md"));
            results.push_back(packages);
        }
        EXPECT_EQ(results[0], results[1]);  // the choice does not depend on the jobs
        ToolRun list;
        ASSERT_EQ(list({"list", path(root, "medium")}), kExitOk);
        EXPECT_NE(list.out.str().find(c.chunks), std::string::npos) << list.out.str();
    }
}

TEST(MediumTest, ExplicitChunkSizeTooLargeForTheDiscStillFails) {
    TempFolder root;
    root.write("game/big.bin", bytesOf(300000, 7));
    // Even the default size, given on purpose, is kept.
    ToolRun pack;
    EXPECT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size", "1M",
                    "--disc-size", "64K"}),
              kExitFailed);
    EXPECT_NE(pack.err.str().find("too small: one piece of the stream that cannot be split"),
              std::string::npos)
        << pack.err.str();
    EXPECT_FALSE(fs::exists(root.path() / "medium" / "data1.pck"));
}

TEST(MediumTest, DiscTooSmallForAnyChosenChunkNamesTheSmallestThatWorks) {
    struct Case {
        std::string name;
        std::function<void(const TempFolder&)> make;
        bool smallerChunkMayHelp;
    };
    const std::vector<Case> cases = {
        // The header with the one record before the first chunk.
        {"one byte", [](const TempFolder& root) { root.write("game/a.txt", "a"); }, false},
        // The last chunk of a.bin with the ten records after it.
        {"records after a chunk",
         [](const TempFolder& root) {
             root.write("game/a.bin", bytesOf(10000, 3));
             for (int i = 0; i < 10; ++i) {
                 root.write("game/b" + std::to_string(i) + ".txt", "");
             }
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        c.make(root);
        ToolRun refused;
        EXPECT_EQ(refused({"pack", path(root, "game"), path(root, "medium"), "--disc-size", "500"}),
                  kExitFailed);
        const std::string error = refused.err.str();
        const std::string says = "the smallest disc size that works is ";
        const size_t at = error.find(says);
        ASSERT_NE(at, std::string::npos) << error;
        EXPECT_EQ(error.find("--chunk-size") != std::string::npos, c.smallerChunkMayHelp) << error;
        EXPECT_FALSE(fs::exists(root.path() / "medium" / "data1.pck"));
        const uint64_t smallest = std::stoull(error.substr(at + says.size()));

        ToolRun tooSmall;
        EXPECT_EQ(tooSmall({"pack", path(root, "game"), path(root, "medium"), "--disc-size",
                            std::to_string(smallest - 1)}),
                  kExitFailed);
        ToolRun pack;
        packAndExtract(root,
                       {"pack", path(root, "game"), path(root, "medium"), "--disc-size",
                        std::to_string(smallest)},
                       smallest, pack);
    }
}

TEST(MediumTest, ExtractRecordsEveryFolderAndFileInCreationOrder) {
    TempFolder root;
    root.write("game/a/b.txt", "b");
    root.write("game/c.txt", "");
    fs::create_directories(root.path() / "game" / "a" / "d");
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk);
    ToolRun extract;
    ASSERT_EQ(extract({"extract", path(root, "medium"), path(root, "out/target")}), kExitOk);
    PosixPlatform platform;
    ScriptedPrompt prompt;
    UninstallRecord records(platform, prompt);
    const std::wstring target = root.wide("out/target");
    EXPECT_EQ(records.LoadUninstallRecords(target),
              (std::vector<std::wstring>{
                  L"FOLDER:" + target, L"FILE:" + target + L"\\uninstall.dat",
                  L"FOLDER:" + target + L"\\a", L"FILE:" + target + L"\\a\\b.txt",
                  L"FOLDER:" + target + L"\\a\\d", L"FILE:" + target + L"\\c.txt"}));
}

// A record goes to uninstall.dat before what it records is made: a file whose
// record would not fit is not made.
TEST(MediumTest, ExtractMakesNothingItCannotRecord) {
    TempFolder root;
    const std::wstring target = root.wide("out");
    // One unit more than "FILE:" + target + "\\a\\" + name may hold.
    const size_t nameLength = kMaxUninstallTextUnits - 5 - target.size() - 3 + 1;
    const std::string name = std::string(nameLength - 4, 'x') + ".txt";
    root.write("game/a/" + name, "x");
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk) << pack.err.str();
    ToolRun extract;
    EXPECT_EQ(extract({"extract", path(root, "medium"), path(root, "out")}), kExitFailed);
    EXPECT_NE(extract.err.str().find("too long for a record of uninstall.dat"), std::string::npos)
        << extract.err.str();
    EXPECT_TRUE(fs::is_directory(root.path() / "out" / "a"));
    EXPECT_FALSE(fs::exists(root.path() / "out" / "a" / name));
}

TEST(MediumTest, SameBytesWhateverTheJobs) {
    TempFolder root;
    makeGame(root);
    root.write("game/big.bin", bytesOf(50000, 9) + std::string(50000, 't'));
    std::vector<std::vector<std::string>> results;
    for (const char* jobs : {"1", "2", "5"}) {
        fs::remove_all(root.path() / "medium");
        ToolRun pack;
        ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--jobs", jobs,
                        "--chunk-size", "1K", "--disc-size", "20K", "--level", "9"}),
                  kExitOk);
        auto packages = packagesIn(root.path() / "medium");
        packages.push_back(root.read("medium/check.md"));
        results.push_back(packages);
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    EXPECT_GT(results[0].size(), 3U);
}

#ifndef _WIN32
std::string md5sumOf(const fs::path& file) {
    std::string command = "md5sum '" + file.string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    char text[33] = {};
    size_t got = std::fread(text, 1, 32, pipe);
    pclose(pipe);
    return std::string(text, got);
}

TEST(MediumTest, CheckListAgreesWithMd5sum) {
    TempFolder root;
    makeGame(root);
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size", "256"}),
              kExitOk);
    const std::string list = root.read("medium/check.md");
    ASSERT_EQ(list.size() % kCheckEntrySize, 0U);
    size_t files = 0;
    for (auto& entry : fs::recursive_directory_iterator(root.path() / "game")) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    ASSERT_EQ(list.size() / kCheckEntrySize, files);
    for (size_t at = 0; at < list.size(); at += kCheckEntrySize) {
        auto entry = CheckEntry::parse(reinterpret_cast<const uint8_t*>(list.data()) + at);
        std::string name = utf8FromWide(wideFromUtf16(entry.name));
        std::replace(name.begin(), name.end(), '\\', '/');
        SCOPED_TRACE(name);
        EXPECT_EQ(utf8FromWide(wideFromUtf16(entry.digest)), md5sumOf(root.path() / "game" / name));
    }
}
#endif

TEST(MediumTest, VerifySaysOkAndFailedPerFile) {
    TempFolder root;
    makeGame(root);
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk);
    ToolRun extract;
    ASSERT_EQ(extract({"extract", path(root, "medium"), path(root, "out")}), kExitOk);
    ToolRun verify;
    EXPECT_EQ(verify({"verify", path(root, "medium"), path(root, "out")}), kExitOk);
    const std::string all = verify.out.str();
    EXPECT_NE(all.find("Game.exe ... OK!\n"), std::string::npos);
    EXPECT_NE(all.find("empty.txt ... OK!\n"), std::string::npos);
    EXPECT_NE(all.find("bin\\one-more.dll ... OK!\n"), std::string::npos);
    EXPECT_EQ(all.find("FAILED"), std::string::npos);

    root.write("out/bin/one-more.dll", bytesOf(kChunk + 1, 4));
    fs::remove(root.path() / "out" / "bin" / "byte.txt");
    fs::remove(root.path() / "out" / "empty.txt");
    // With any number of jobs, the lines and each missing file's messages
    // come in the order of check.md.
    std::string report;
    for (const char* jobs : {"1", "2", "5"}) {
        SCOPED_TRACE(jobs);
        ToolRun again;
        EXPECT_EQ(again({"verify", path(root, "medium"), path(root, "out"), "--jobs", jobs}),
                  kExitFailed);
        const std::string text = again.out.str();
        EXPECT_NE(text.find("bin\\one-more.dll ... FAILED!\n"), std::string::npos);
        EXPECT_NE(text.find("bin\\byte.txt ... FAILED!\n"), std::string::npos);
        EXPECT_NE(text.find("empty.txt ... FAILED!\n"), std::string::npos);
        EXPECT_NE(text.find("Game.exe ... OK!\n"), std::string::npos);
        EXPECT_NE(text.find("3 of 8 files FAILED"), std::string::npos) << text;
        const std::string err = again.err.str();
        EXPECT_LT(err.find("byte.txt,"), err.find("empty.txt,")) << err;
        if (report.empty()) {
            report = text + err;
        }
        EXPECT_EQ(text + err, report);
    }
}

TEST(MediumTest, Md5SectionGoesIntoInstallIniInItsOwnForm) {
    TempFolder root;
    root.write("game/a.txt", "a");
    const std::wstring before =
        L"[setup]\r\nproduct=V\r\n[md5code]\r\ncount=9\r\npck1=old\r\n"
        L"[restable]\r\nrescount=55\r\nstr0=\u4e2d\r\n";
    root.write("medium/install.ini", utf16File(before));
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk);
    PosixPlatform platform;
    IniFile ini(platform);
    const std::wstring iniPath = wideFromUtf8(path(root, "medium/install.ini"));
    EXPECT_EQ(ini.getString(L"md5code", L"count", L"", iniPath), L"1");
    const std::wstring digest = ini.getString(L"md5code", L"pck1", L"", iniPath);
    EXPECT_EQ(digest.size(), 32U);
    EXPECT_EQ(root.read("medium/install.ini"),
              utf16File(L"[setup]\r\nproduct=V\r\n[md5code]\r\ncount=1\r\npck1=" + digest +
                        L"\r\n[restable]\r\nrescount=55\r\nstr0=\u4e2d\r\n"));
    EXPECT_NE(pack.out.str().find(utf8FromWide(digest)), std::string::npos);
}

TEST(IniSectionTest, ReplacesAppendsAndKeepsTheRest) {
    auto lines = md5codeLines({"aa", "bb"});
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"[md5code]", L"count=2", L"pck1=aa", L"pck2=bb"}));
    auto bytesOf = [](const std::string& text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    // ANSI form, no section yet, last line without CR LF.
    auto out = replaceIniSection(bytesOf("[setup]\r\nx=\xE9"), L"md5code", lines);
    ASSERT_TRUE(out);
    EXPECT_EQ(std::string(out->begin(), out->end()),
              "[setup]\r\nx=\xE9\r\n[md5code]\r\ncount=2\r\npck1=aa\r\npck2=bb\r\n");
    // The section at the end; "[Md5code]" is another section; a later
    // duplicate is left alone since the reader never reaches it.
    out = replaceIniSection(bytesOf("[Md5code]\r\ncount=1\r\n[md5code]\r\ncount=7\r\n;c\r\n"
                                    "[md5code]\r\ncount=8\r\n"),
                            L"md5code", {L"[md5code]", L"count=0"});
    ASSERT_TRUE(out);
    EXPECT_EQ(std::string(out->begin(), out->end()),
              "[Md5code]\r\ncount=1\r\n[md5code]\r\ncount=0\r\n[md5code]\r\ncount=8\r\n");
    // An empty file gets just the section.
    out = replaceIniSection({}, L"md5code", {L"[md5code]"});
    EXPECT_EQ(std::string(out->begin(), out->end()), "[md5code]\r\n");
    // An ANSI file cannot take a line its code page does not hold.
    EXPECT_FALSE(replaceIniSection(bytesOf("a\r\n"), L"s", {L"\u4e2d"}));
}

TEST(MediumTest, CheckReportsEveryFault) {
    TempFolder root;
    makeGame(root);
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size", "256",
                    "--disc-size", "3000"}),
              kExitOk);
    const std::string list = root.read("medium/check.md");
    const std::string first = root.read("medium/data1.pck");
    // install.ini short of texts and with a stale [md5code]; check.md with its
    // first record dropped and a digest changed in the next.
    root.write("medium/install.ini", utf16File(L"[restable]\r\nrescount=54\r\n"
                                               L"[md5code]\r\ncount=1\r\npck1=0\r\n"));
    std::string edited = list.substr(kCheckEntrySize);
    edited[kCheckNameBytes] = edited[kCheckNameBytes] == 'a' ? 'b' : 'a';
    root.write("medium/check.md", edited);
    ToolRun check;
    EXPECT_EQ(check({"check", path(root, "medium")}), kExitFailed);
    std::string faults = check.err.str();
    EXPECT_NE(faults.find("rescount"), std::string::npos) << faults;
    EXPECT_NE(faults.find("[md5code] count is 1, the medium has"), std::string::npos) << faults;
    EXPECT_NE(faults.find("data1.pck: digest"), std::string::npos) << faults;
    EXPECT_NE(faults.find("Game.exe is in the packages but not listed"), std::string::npos);
    EXPECT_NE(faults.find("(bin\\byte.txt): the packed file's digest is"), std::string::npos)
        << faults;
    EXPECT_NE(check.out.str().find("5 faults found"), std::string::npos) << check.out.str();

    // A byte of Game.exe's first chunk changed: the installer could not inflate it.
    root.write("medium/check.md", list);
    std::string damaged = first;
    damaged[32 + 520 + 8 + 10] = static_cast<char>(damaged[32 + 520 + 8 + 10] ^ 0x55);
    root.write("medium/data1.pck", damaged);
    ToolRun inflate;
    EXPECT_EQ(inflate({"check", path(root, "medium")}), kExitFailed);
    faults = inflate.err.str();
    EXPECT_NE(faults.find("installer: Failed to uncompress zip data!"), std::string::npos)
        << faults;

    // A missing later package, named as such.
    root.write("medium/data1.pck", first);
    fs::remove(root.path() / "medium" / "data3.pck");
    ToolRun missing;
    EXPECT_EQ(missing({"check", path(root, "medium")}), kExitFailed);
    EXPECT_NE(missing.err.str().find("data3.pck: missing"), std::string::npos) << missing.err.str();
}

// An uninstall.ini with every text, the way a publisher writes one.
constexpr wchar_t kUninstallTexts[] =
    L"[interface]\r\n"
    L"delete_item_1=Deleting all Files\r\n"
    L"delete_item_2=Deleting all Folders\r\n"
    L"delete_item_3=Deleting Shortcuts\r\n"
    L"delete_all=Delete all files in the KitGame Folder\r\n"
    L"progress_group=Progress\r\n"
    L"button_ok=OK\r\n"
    L"button_cancel=Cancel\r\n"
    L"uninstall_group=Uninstall Progress\r\n"
    L"window_title=Uninstall KitGame\r\n"
    L"delete_all_ask=Are you sure you want to delete all files?\r\n"
    L"exit_url=https://example.com/bye\r\n"
    L"[error]\r\n"
    L"error_create_temp_file=Cannot create temple file. Uninstallation Stopped.\r\n";

TEST(MediumTest, CheckOfAGoodMediumAndOfUnsafeNames) {
    TempFolder root;
    makeGame(root);
    root.write("medium/install.ini", utf16File(L"[restable]\r\nrescount=55\r\n"));
    root.write("medium/uninstall.ini", utf16File(kUninstallTexts));
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk);
    ToolRun good;
    EXPECT_EQ(good({"check", path(root, "medium")}), kExitOk) << good.err.str();
    EXPECT_EQ(good.err.str(), "");

    // check.md naming a file outside the target folder.
    CheckEntry evil{u"..\\..\\evil.dll", u"0123456789abcdef0123456789abcdef"};
    auto bytes = evil.serialize();
    root.write("medium/check.md",
               root.read("medium/check.md") + std::string(bytes->begin(), bytes->end()));
    ToolRun bad;
    EXPECT_EQ(bad({"check", path(root, "medium")}), kExitFailed);
    EXPECT_NE(bad.err.str().find("..\\..\\evil.dll): not a path below the target folder"),
              std::string::npos)
        << bad.err.str();
    ToolRun verify;
    EXPECT_EQ(verify({"verify", path(root, "medium"), path(root, "game")}), kExitFailed);
    EXPECT_NE(verify.out.str().find("..\\..\\evil.dll ... FAILED!"), std::string::npos);
}

// The medium of makeGame as three disc folders, as they go to the plant:
// "medium" keeps data1.pck, "disc2" gets data2.pck and "disc3" the rest; each
// disc carries check.md. Answers the number of packages.
size_t makeDiscSet(const TempFolder& root) {
    root.write("medium/install.ini", utf16File(L"[restable]\r\nrescount=55\r\n"));
    root.write("medium/uninstall.ini", utf16File(kUninstallTexts));
    ToolRun pack;
    EXPECT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size", "512",
                    "--disc-size", "4K"}),
              kExitOk);
    const size_t count = packagesIn(root.path() / "medium").size();
    EXPECT_GE(count, 3U);
    for (size_t n = 2; n <= count; ++n) {
        const fs::path disc = root.path() / (n == 2 ? "disc2" : "disc3");
        fs::create_directories(disc);
        const std::string name = "data" + std::to_string(n) + ".pck";
        fs::rename(root.path() / "medium" / name, disc / name);
        fs::copy_file(root.path() / "medium" / "check.md", disc / "check.md",
                      fs::copy_options::overwrite_existing);
    }
    return count;
}

TEST(MediumTest, ExtractAsksForTheNextPackageOrTakesItFromDisc) {
    TempFolder root;
    makeGame(root);
    makeDiscSet(root);
    const auto game = treeOf(root.path() / "game");

    ToolRun unattended;
    EXPECT_EQ(unattended({"extract", path(root, "medium"), path(root, "out1")}), kExitFailed);
    EXPECT_NE(unattended.err.str().find("data2.pck: missing (the folders of further discs go "
                                        "with --disc DIR)"),
              std::string::npos)
        << unattended.err.str();

    ToolRun discs;
    ASSERT_EQ(discs({"extract", path(root, "medium"), path(root, "out2"), "--disc",
                     path(root, "disc2"), "--disc", path(root, "disc3")}),
              kExitOk)
        << discs.err.str();
    auto out = treeOf(root.path() / "out2");
    out.erase("uninstall.dat");
    EXPECT_EQ(out, game);

    // At a terminal: Enter looks again in the same folder, then a folder is typed.
    ToolRun typed("\n" + path(root, "disc2") + "\n" + path(root, "disc3") + "\n", true);
    ASSERT_EQ(typed({"extract", path(root, "medium"), path(root, "out3")}), kExitOk)
        << typed.err.str();
    out = treeOf(root.path() / "out3");
    out.erase("uninstall.dat");
    EXPECT_EQ(out, game);

    ToolRun givesUp("q\n", true);
    EXPECT_EQ(givesUp({"extract", path(root, "medium"), path(root, "out4")}), kExitFailed);
}

// A path as the tool names it: with the separator of the system it runs on.
std::string hostPath(const TempFolder& root, const std::string& folder, const std::string& name) {
    return path(root, folder) + static_cast<char>(kHostSeparator) + name;
}

TEST(MediumTest, DiscSetIsListedCheckedExtractedAndVerifiedAsItShips) {
    struct Expect {
        int status;
        std::vector<std::string> says;  // on the output or the error stream
    };
    struct Case {
        const char* what;
        std::vector<std::string> discs;
        std::function<void(const TempFolder&)> change;
        Expect list, check, extract, verify;
    };
    TempFolder root;
    makeGame(root);
    const auto noChange = [](const TempFolder&) {};
    const std::string missing2 = hostPath(root, "medium", "data2.pck") +
                                 ": missing (the folders of further discs go with --disc DIR)";
    const std::string onNone = "data3.pck: missing from every disc given (" + path(root, "medium") +
                               ", " + path(root, "disc2") + ")";
    const std::string noList = hostPath(root, "disc3", "check.md") +
                               ": missing; the verification after an install reads check.md";
    const std::string otherList = hostPath(root, "disc2", "check.md") + ": differs from " +
                                  hostPath(root, "medium", "check.md");
    const Expect extracted{kExitOk, {"bytes unpacked"}};
    const Expect verified{kExitOk, {"Game.exe ... OK!"}};
    const std::vector<Case> cases = {
        {"no --disc",
         {},
         noChange,
         {kExitFailed, {missing2}},
         {kExitFailed, {missing2, "1 fault found\n"}},
         {kExitFailed, {missing2}},
         verified},
        {"every disc",
         {"disc2", "disc3"},
         noChange,
         {kExitOk, {"  in " + hostPath(root, "disc3", "data3.pck") + "\n"}},
         {kExitOk, {"packages on 3 discs\n"}},
         extracted,
         verified},
        {"discs in another order",
         {"disc3", "disc2"},
         noChange,
         {kExitOk, {"  in " + hostPath(root, "disc2", "data2.pck") + "\n"}},
         {kExitOk, {"packages on 3 discs\n"}},
         extracted,
         verified},
        {"a package on none of the discs",
         {"disc2"},
         noChange,
         {kExitFailed, {onNone}},
         {kExitFailed, {onNone, "1 fault found\n"}},
         {kExitFailed, {onNone}},
         verified},
        {"a disc without check.md",
         {"disc2", "disc3"},
         [](const TempFolder& r) { fs::remove(r.path() / "disc3" / "check.md"); },
         {kExitOk, {}},
         {kExitFailed, {noList, "1 fault found\n"}},
         extracted,
         {kExitFailed, {noList, "Game.exe ... OK!"}}},
        {"a disc with another check.md",
         {"disc2", "disc3"},
         [](const TempFolder& r) { r.write("disc2/check.md", ""); },
         {kExitOk, {}},
         {kExitFailed, {otherList, "1 fault found\n"}},
         extracted,
         {kExitFailed, {otherList}}},
        // Like the installer, the walk takes the copy on the disc at hand.
        {"a package also on the disc before it, and a disc that holds none",
         {"disc3", "disc2", "disc4"},
         [](const TempFolder& r) {
             fs::copy_file(r.path() / "disc3" / "data3.pck", r.path() / "disc2" / "data3.pck");
             r.write("disc4/check.md", r.read("medium/check.md"));
         },
         {kExitOk, {"  in " + hostPath(root, "disc2", "data3.pck") + "\n"}},
         {kExitOk,
          {"warning: data3.pck is on more than one disc: " + path(root, "disc3") + ", " +
               path(root, "disc2") + "\n",
           "warning: " + path(root, "disc4") + ": holds none of the ",
           "packages on 4 discs, 2 warnings\n"}},
         extracted,
         verified},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* folder : {"medium", "disc2", "disc3", "disc4", "out"}) {
            fs::remove_all(root.path() / folder);
        }
        makeDiscSet(root);
        c.change(root);
        const std::vector<std::pair<std::vector<std::string>, const Expect*>> runs = {
            {{"list", path(root, "medium")}, &c.list},
            {{"check", path(root, "medium")}, &c.check},
            {{"extract", path(root, "medium"), path(root, "out")}, &c.extract},
            {{"verify", path(root, "medium"), path(root, "game")}, &c.verify},
        };
        for (const auto& [words, expect] : runs) {
            SCOPED_TRACE(words[0]);
            std::vector<std::string> all = words;
            for (const auto& disc : c.discs) {
                all.insert(all.end(), {"--disc", path(root, disc)});
            }
            ToolRun run;
            EXPECT_EQ(run(all), expect->status) << run.err.str();
            const std::string text = run.out.str() + run.err.str();
            for (const auto& says : expect->says) {
                EXPECT_NE(text.find(says), std::string::npos) << says << " in\n" << text;
            }
            // No digest is taken of a package that is not there.
            EXPECT_EQ(text.find("Failed to open source file"), std::string::npos) << text;
        }
    }
}

// `text` with its first `from` made `to`.
std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::wstring::npos) << utf8FromWide(from);
    return at == std::wstring::npos ? text : text.replace(at, from.size(), to);
}

std::string bigEndian(const std::wstring& text) {
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : utf16FromWide(text)) {
        bytes += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    return bytes;
}

TEST(MediumTest, CheckReadsTheUninstallerTextsOnTheMedium) {
    TempFolder root;
    root.write("game/a.txt", "a");
    root.write("medium/install.ini", utf16File(L"[restable]\r\nrescount=55\r\n"));
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium")}), kExitOk);
    const std::wstring good = kUninstallTexts;
    const std::string file = hostPath(root, "medium", "uninstall.ini") + ": ";
    const std::string refused =
        "; the installer takes only UTF-16 little-endian with its "
        "byte-order mark (FF FE)";
    const std::wstring cjk34(34, L'\u5220');  // 272 units: the delete-all box has room for 274
    struct Case {
        const char* what;
        std::optional<std::string> bytes;  // nothing: no uninstall.ini
        int status;
        std::vector<std::string> says;  // the last is the summary's end
    };
    const std::vector<Case> cases = {
        {"every text", utf16File(good), kExitOk, {" 1 package\n"}},
        {"full-width texts as wide as their room",
         utf16File(replaced(replaced(good, L"Delete all files in the KitGame Folder", cjk34),
                            L"Uninstall KitGame", std::wstring(21, L'\u5378'))),
         kExitOk,
         {" 1 package\n"}},
        {"UTF-8",
         "\xEF\xBB\xBF" + utf8FromWide(good),
         kExitFailed,
         {file + "UTF-8" + refused, "1 fault found\n"}},
        {"UTF-16 big-endian",
         bigEndian(good),
         kExitFailed,
         {file + "UTF-16 big-endian" + refused, "1 fault found\n"}},
        {"UTF-16 without its mark",
         utf16File(good).substr(2),
         kExitFailed,
         {file + "UTF-16 without its byte-order mark" + refused, "1 fault found\n"}},
        {"ANSI",
         utf8FromWide(good),
         kExitFailed,
         {file + "without a byte-order mark (ANSI or UTF-8)" + refused, "1 fault found\n"}},
        {"a line ended by LF alone",
         utf16File(replaced(good, L"button_ok=OK\r\n", L"button_ok=OK\n")),
         kExitFailed,
         {file + "line 7: a line break that is not CR LF; the uninstaller reads the lines "
                 "around it as one",
          file + "[interface] button_cancel is missing; the cancel button (control 2) would "
                 "be empty",
          "2 faults found, 1 warning\n"}},
        {"a line longer than the reader takes",
         utf16File(replaced(good, L"the KitGame Folder", std::wstring(250, L'x'))),
         kExitFailed,
         {file + "line 5: longer than 255 characters; the uninstaller skips it",
          file + "[interface] delete_all is missing", "2 faults found\n"}},
        {"the last line without its CR LF",
         utf16File(good.substr(0, good.size() - 2)),
         kExitFailed,
         {file + "line 14: the file ends before its CR LF; the uninstaller does not read it",
          file + "[error] error_create_temp_file is missing; the message when the uninstaller "
                 "cannot copy itself to the temporary folder would be empty",
          "2 faults found\n"}},
        {"the installer's own section",
         utf16File(good + L"[registered]\r\nuninstall_key=Other Game\r\n"),
         kExitFailed,
         {file + "line 15: [registered] is the installer's own", "1 fault found\n"}},
        {"no [interface]",
         utf16File(good.substr(good.find(L"[error]"))),
         kExitFailed,
         {file + "no [interface] section; the installer refuses the file", "1 fault found\n"}},
        {"a missing, an empty and a missing optional text",
         utf16File(replaced(replaced(replaced(good, L"window_title=Uninstall KitGame\r\n", L""),
                                     L"exit_url=https://example.com/bye\r\n", L""),
                            L"button_ok=OK", L"button_ok=")),
         kExitFailed,
         {file + "[interface] window_title is missing; the window's title bar would be empty",
          file + "[interface] button_ok is empty; the start button (control 1) shows nothing",
          "1 fault found, 1 warning\n"}},
        {"lines the uninstaller does not read",
         utf16File(replaced(good, L"button_cancel=Cancel\r\n",
                            L"button_cancel=Cancel\r\ndelete_all = x\r\nbutton_ok=Go\r\n") +
                   L"just text\r\n[Interface]\r\ncolour=red\r\n[interface]\r\n"),
         kExitOk,
         {file + "line 9: unknown key \"delete_all \" in [interface]; the uninstaller does not "
                 "read it (nothing is trimmed around \"=\")",
          file + "line 10: a second button_ok in [interface]; the uninstaller reads the first",
          file + "line 17: \"just text\" is neither [section] nor key=value",
          file + "line 18: unknown section [Interface]; the uninstaller reads nothing from it",
          file + "line 20: a second [interface]; the uninstaller reads only the first",
          " 1 package, 5 warnings\n"}},
        {"texts wider than their controls",
         utf16File(replaced(replaced(good, L"button_ok=OK", L"button_ok=Remove the game"),
                            L"Delete all files in the KitGame Folder", cjk34 + L"\u5220")),
         kExitOk,
         {file + "[interface] button_ok \"Remove the game\" is about 70 dialog units wide; the "
                 "start button (control 1) has room for 62",
          file + "[interface] delete_all \"" + utf8FromWide(cjk34 + L"\u5220") +
              "\" is about 280 dialog units wide; the delete-all check box (control 1010) has "
              "room for 274",
          " 1 package, 2 warnings\n"}},
        {"no uninstall.ini",
         std::nullopt,
         kExitOk,
         {file + "missing; the uninstaller shows the installer's built-in texts, which name the "
                 "sample game",
          " 1 package, 1 warning\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(root.path() / "medium" / "uninstall.ini");
        if (c.bytes) {
            root.write("medium/uninstall.ini", *c.bytes);
        }
        ToolRun check;
        EXPECT_EQ(check({"check", path(root, "medium")}), c.status);
        const std::string text = check.err.str() + check.out.str();
        for (const auto& says : c.says) {
            EXPECT_NE(text.find(says), std::string::npos) << says << " in\n" << text;
        }
        EXPECT_EQ(text.size() - text.rfind(c.says.back()), c.says.back().size()) << text;
    }
}

// The texts that ship: the sample game's and the installer's built-in one.
#ifdef CKV_SOURCE_DIR
TEST(MediumTest, ShippedUninstallTextsPassTheCheck) {
    PosixPlatform platform;
    for (const char* file : {"samples/uninstall.ini", "installer/resources/uninstall.ini"}) {
        SCOPED_TRACE(file);
        const std::wstring name = wideFromUtf8(std::string(CKV_SOURCE_DIR) + "/" + file);
        const auto bytes = readWholeFile(platform, name);
        ASSERT_TRUE(bytes);
        const Findings found = checkUninstallIni(*bytes, name, platform);
        EXPECT_EQ(found.faults, std::vector<std::wstring>());
        EXPECT_EQ(found.warnings, std::vector<std::wstring>());
    }
}

// The sample's install.ini texts fit their rooms; a text made too long for
// each room (and a number too long for the free-space line) is named.
TEST(MediumTest, InstallTextRoomsHoldTheSampleAndNameWhatIsTooWide) {
    PosixPlatform platform;
    const std::wstring sample = wideFromUtf8(std::string(CKV_SOURCE_DIR) + "/samples/install.ini");
    IniFile ini(platform);
    const auto sampleText = [&](int number) {
        return ini.getString(L"restable", L"str" + std::to_wstring(number), L"", sample);
    };
    EXPECT_EQ(checkInstallTextRooms(sampleText, L"install.ini"), std::vector<std::wstring>());

    for (const InstallTextRoom& place : kInstallTextRooms) {
        SCOPED_TRACE(place.first);
        const auto widened = [&](int number) {
            std::wstring text = sampleText(number);
            return number == place.first ? text + std::wstring(100, L'W') : text;
        };
        const auto warnings = checkInstallTextRooms(widened, L"install.ini");
        ASSERT_EQ(warnings.size(), 1U);
        EXPECT_NE(warnings[0].find(L"str" + std::to_wstring(place.first)), std::wstring::npos);
        EXPECT_NE(warnings[0].find(place.shownAs), std::wstring::npos);
    }
    const auto wrapping = [](int number) {
        return number == 51 ? std::wstring(180, L'a') : std::wstring();  // 720 of 3 x 244
    };
    EXPECT_EQ(checkInstallTextRooms(wrapping, L"install.ini"), std::vector<std::wstring>());
    const auto numbered = [](int number) {
        return number == 33 ? std::wstring(70, L'a') + L"%d" : std::wstring();  // 280 + 7 digits
    };
    EXPECT_EQ(checkInstallTextRooms(numbered, L"install.ini").size(), 1U);
}
#endif

// The keys the check knows are the ones the uninstaller reads: each with a
// value of its own comes back in one of the uninstaller's texts.
TEST(MediumTest, UninstallTextKeysAreTheUninstallersOwn) {
    TempFolder folder;
    std::map<std::wstring, std::wstring> sections;
    std::vector<std::wstring> values;
    for (const auto& key : kUninstallTextKeys) {
        values.push_back(L"text of " + std::wstring(key.key));
        sections[key.section] += std::wstring(key.key) + L"=" + values.back() + L"\r\n";
    }
    std::wstring text;
    for (const auto& [section, lines] : sections) {
        text += L"[" + section + L"]\r\n" + lines;
    }
    folder.write("uninstall.ini", utf16File(text));
    PosixPlatform platform;
    const UninstallTexts read = loadUninstallTexts(IniFile(platform), folder.wide("uninstall.ini"));
    std::vector<std::wstring> shown = {
        read.deleteItem1,   read.deleteItem2,  read.deleteItem3,  read.deleteAll,
        read.progressGroup, read.buttonOk,     read.buttonCancel, read.uninstallGroup,
        read.windowTitle,   read.deleteAllAsk, read.exitUrl,      read.errorCreateTempFile};
    std::sort(shown.begin(), shown.end());
    std::sort(values.begin(), values.end());
    EXPECT_EQ(shown, values);
}

TEST(MediumTextWidthTest, CountsConservatively) {
    const std::pair<std::wstring, int> cases[] = {
        {L"", 0},
        {L"ilj .,", 24},        // ASCII at SimSun's half width, however narrow elsewhere
        {L"ABZw", 24},          // capitals and w at 1.5 averages
        {L"MWm@%", 40},         // the widest ASCII at two
        {L"\u5378\u8f7d", 16},  // CJK at the full width
        {L"\u00e9\u00df", 16},  // every other character too
        {L"\U0001F600", 8},     // one character, whatever the size of wchar_t
        {L"Uninstall Varnholt", 76},
    };
    for (const auto& [text, units] : cases) {
        SCOPED_TRACE(utf8FromWide(text));
        EXPECT_EQ(estimateDialogUnits(text), units);
    }
}

// What one extract left behind.
struct Extracted {
    int status = 0;
    std::string out;
    std::string err;
    std::map<std::string, std::string> tree;  // uninstall.dat included
};

// `prepare` readies the emptied target; `faults` readies the platform.
Extracted extractWithJobs(const TempFolder& root, const std::string& jobs,
                          const std::function<void()>& prepare = {},
                          const std::function<void(FaultPlatform&)>& faults = {}) {
    fs::remove_all(root.path() / "out");
    if (prepare) {
        prepare();
    }
    ToolRun run;
    PosixPlatform posix;
    FaultPlatform platform(posix);
    if (faults) {
        faults(platform);
    }
    Extracted result;
    result.status =
        run({"extract", path(root, "medium"), path(root, "out"), "--jobs", jobs}, platform);
    result.out = run.out.str();
    result.err = run.err.str();
    result.tree = treeOf(root.path() / "out");
    return result;
}

// The offset in data1.pck of chunk `index` of the first entry, a file.
size_t chunkOffset(const std::string& package, int index) {
    size_t at = kPackageHeaderSize + kEntryRecordSize;
    for (int i = 0; i < index; ++i) {
        at += kChunkHeaderSize + le::readU32(reinterpret_cast<const uint8_t*>(&package[at]));
    }
    return at;
}

TEST(MediumTest, ExtractGivesTheSameFilesRecordsAndMessagesWhateverTheJobs) {
    TempFolder root;
    root.write("game/a.bin", bytesOf(kChunk * 40, 5));
    root.write("game/b/c.txt", std::string(3000, 'c'));
    root.write("game/d.txt", "d");
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size",
                    std::to_string(kChunk), "--disc-size", "4K"}),
              kExitOk);
    const auto packages = packagesIn(root.path() / "medium");
    ASSERT_GE(packages.size(), 3U);
    const size_t damaged = chunkOffset(packages[0], 5);
    ASSERT_LT(damaged + kChunkHeaderSize + kChunk, packages[0].size());
    // The last chunk of data1.pck: right after it the reader switches packages.
    int last = 0;
    while (chunkOffset(packages[0], last + 1) < packages[0].size()) {
        ++last;
    }
    const size_t lastInPackage = chunkOffset(packages[0], last);
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::vector<std::string> says;  // in this order on the error stream
        std::function<void()> prepareTarget;
        std::function<void(FaultPlatform&)> faults;
    };
    // A folder where the last file goes: that file cannot be created.
    const auto blockLastFile = [&] { fs::create_directories(root.path() / "out" / "d.txt"); };
    const std::vector<Case> cases = {
        {"intact", [] {}, {}, {}, {}},
        {"a damaged chunk",
         [&] {
             std::string bytes = packages[0];
             bytes[damaged + kChunkHeaderSize + 100] ^= 0x55;
             root.write("medium/data1.pck", bytes);
         },
         {"Failed to uncompress zip data!", "extraction stopped"},
         {},
         {}},
        {"a chunk larger than stated",
         [&] {
             std::string bytes = packages[0];
             bytes[damaged + 4] = static_cast<char>(kChunk - 1);
             bytes[damaged + 5] = 0;
             root.write("medium/data1.pck", bytes);
         },
         {"Failed to uncompress zip data!", "extraction stopped"},
         {},
         {}},
        {"a missing package",
         [&] { fs::remove(root.path() / "medium" / "data3.pck"); },
         {"data3.pck: missing", "extraction stopped"},
         {},
         {}},
        // The reader reaches the missing package while the damaged chunk is
        // still being inflated; the damage is what stops it.
        {"a damaged chunk before a missing package",
         [&] {
             std::string bytes = packages[0];
             bytes[lastInPackage + kChunkHeaderSize + 100] ^= 0x55;
             root.write("medium/data1.pck", bytes);
             fs::remove(root.path() / "medium" / "data2.pck");
         },
         {"Failed to uncompress zip data!", "extraction stopped"},
         {},
         {}},
        {"a file that cannot be created",
         [] {},
         {"Failed to create", "extraction stopped"},
         blockLastFile,
         {}},
        // The file is created only once the chunks before it are written.
        {"a damaged chunk before a file that cannot be created",
         [&] {
             std::string bytes = packages[0];
             bytes[damaged + kChunkHeaderSize + 100] ^= 0x55;
             root.write("medium/data1.pck", bytes);
         },
         {"Failed to uncompress zip data!", "extraction stopped"},
         blockLastFile,
         {}},
        // In the middle of a chunk of a.bin: what comes before it is written
        // whole, nothing after it, whichever thread writes which chunk.
        {"a disk that fills",
         [] {},
         {"a.bin: write failed (disk full?)", "extraction stopped"},
         {},
         [](FaultPlatform& platform) {
             platform.fullDisk = FaultPlatform::FullDisk{L"a.bin", kChunk * 17 + kChunk / 3};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (size_t n = 0; n < packages.size(); ++n) {
            root.write("medium/data" + std::to_string(n + 1) + ".pck", packages[n]);
        }
        c.spoil();
        const Extracted one = extractWithJobs(root, "1", c.prepareTarget, c.faults);
        EXPECT_EQ(one.status, c.says.empty() ? kExitOk : kExitFailed);
        size_t at = 0;
        for (const auto& text : c.says) {
            at = one.err.find(text, at);
            ASSERT_NE(at, std::string::npos) << text << " in " << one.err;
        }
        if (c.says.empty()) {
            EXPECT_EQ(one.err, "");
            auto files = one.tree;
            EXPECT_EQ(files.erase("uninstall.dat"), 1U);
            EXPECT_EQ(files, treeOf(root.path() / "game"));
        }
        for (const char* jobs : {"2", "5"}) {
            SCOPED_TRACE(jobs);
            const Extracted many = extractWithJobs(root, jobs, c.prepareTarget, c.faults);
            EXPECT_EQ(many.status, one.status);
            EXPECT_EQ(many.out, one.out);
            EXPECT_EQ(many.err, one.err);
            EXPECT_EQ(many.tree, one.tree);
        }
    }
}

TEST(MediumTest, ListShowsHeaderAndEntries) {
    TempFolder root;
    root.write("game/bin/two.bin", std::string(kChunk * 2, 'z'));
    root.write("game/e.txt", "");
    ToolRun pack;
    ASSERT_EQ(pack({"pack", path(root, "game"), path(root, "medium"), "--chunk-size", "256"}),
              kExitOk);
    ToolRun list;
    ASSERT_EQ(list({"list", path(root, "medium")}), kExitOk);
    const std::string text = list.out.str();
    EXPECT_NE(text.find("version       2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("entries       3\n"), std::string::npos);
    EXPECT_NE(text.find("total size    512 bytes\n"), std::string::npos);
    EXPECT_NE(text.find("packages      1\n"), std::string::npos);
    EXPECT_NE(text.find("file               512         2  bin\\two.bin\n"), std::string::npos);
    EXPECT_NE(text.find("file                 0         0  e.txt\n"), std::string::npos);
    EXPECT_NE(text.find("folder                            bin\n"), std::string::npos);
}

TEST(MediumTest, CommandLineProblemsAreNamed) {
    TempFolder root;
    root.write("game/a.txt", "a");
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{}, kExitUsage, ""},
        {{"burn"}, kExitUsage, "unknown command burn"},
        {{"pack", path(root, "game")}, kExitUsage, "pack needs GAME_DIR and MEDIUM_DIR"},
        {{"pack", path(root, "game"), path(root, "m"), "--level", "10"}, kExitUsage, "--level"},
        {{"pack", path(root, "game"), path(root, "m"), "--chunk-size", "65M"},
         kExitUsage,
         "--chunk-size"},
        {{"pack", path(root, "game"), path(root, "m"), "--disc-size", "1X"},
         kExitUsage,
         "--disc-size"},
        {{"pack", path(root, "game"), path(root, "m"), "--jobs"},
         kExitUsage,
         "--jobs needs a value"},
        {{"pack", path(root, "game"), path(root, "m"), "--fast"},
         kExitUsage,
         "unknown option --fast"},
        {{"pack", path(root, "game"), path(root, "game/m")}, kExitUsage, "inside GAME_DIR"},
        {{"pack", path(root, "game"), path(root, "small"), "--disc-size", "551"},
         kExitFailed,
         "too small"},
        {{"pack", path(root, "nothing"), path(root, "m")}, kExitFailed, "nothing: not a folder"},
        {{"list", path(root, "m2")}, kExitFailed, "data1.pck: missing"},
        {{"extract", path(root, "m2"), path(root, "o")},
         kExitFailed,
         "Failed to open package file!"},
        {{"verify", path(root, "m2"), path(root, "o")}, kExitFailed, "check.md"},
        {{"extract", path(root, "m2"), path(root, "o"), "--jobs", "0"}, kExitUsage, "--jobs"},
        {{"verify", path(root, "m2"), path(root, "o"), "--jobs", "x"}, kExitUsage, "--jobs"},
    };
    for (const auto& c : cases) {
        ToolRun run;
        SCOPED_TRACE(c.words.empty() ? "" : c.words[0] + " " + c.says);
        EXPECT_EQ(run(c.words), c.status);
        EXPECT_NE(run.err.str().find(c.says), std::string::npos) << run.err.str();
    }
    EXPECT_FALSE(fs::exists(root.path() / "small" / "data1.pck"));  // a failed pack leaves none
    for (const char* command : {"pack", "list", "check", "extract", "verify"}) {
        ToolRun help;
        EXPECT_EQ(help({command, "--help"}), kExitOk);
        EXPECT_EQ(help.out.str().rfind(std::string("usage: medium ") + command, 0), 0U);
    }
}

#ifndef _WIN32
TEST(MediumTest, NamesWindowsCannotHoldAreRefused) {
    for (const char* name : {"a\\b.txt", "c:d.txt", "trailing.", "what?"}) {
        TempFolder root;
        root.write(std::string("game/") + name, "x");
        ToolRun pack;
        EXPECT_EQ(pack({"pack", path(root, "game"), path(root, "m")}), kExitFailed);
        EXPECT_NE(pack.err.str().find(name), std::string::npos) << pack.err.str();
    }
    TempFolder root;
    root.write("game/" + std::string(200, 'a') + "/" + std::string(56, 'b'), "x");
    ToolRun pack;
    EXPECT_EQ(pack({"pack", path(root, "game"), path(root, "m")}), kExitFailed);
    EXPECT_NE(pack.err.str().find("at most 255"), std::string::npos) << pack.err.str();
}
#endif

TEST(MediumOptionsTest, Sizes) {
    EXPECT_EQ(parseSize("650M"), 650ULL << 20);
    EXPECT_EQ(parseSize("1k"), 1024U);
    EXPECT_EQ(parseSize("4G"), 4ULL << 30);
    EXPECT_EQ(parseSize("123"), 123U);
    EXPECT_FALSE(parseSize(""));
    EXPECT_FALSE(parseSize("M"));
    EXPECT_FALSE(parseSize("1.5M"));
    EXPECT_FALSE(parseSize("10MB"));
    EXPECT_FALSE(parseSize("-1"));
    EXPECT_FALSE(parseSize("99999999999999999999"));
    EXPECT_FALSE(parseSize("17179869184G"));
    EXPECT_EQ(parseBoundedInt("9", 0, 9), 9);
    EXPECT_FALSE(parseBoundedInt("09x", 0, 9));
    EXPECT_FALSE(parseBoundedInt("", 0, 9));
}

}  // namespace
