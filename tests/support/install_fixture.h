// What the engine-level install tests share: a medium on drive M: made by
// hand, the uninstaller's files written from memory, and snapshots of drive
// C: to compare before and after.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "common/text.h"
#include "installer/engine/install_engine.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_folder.h"

// Counts what the engine reports and cancels at a chosen chunk.
class CancellingObserver : public InstallObserver {
public:
    void folderCreated(const std::wstring&) override {}
    void fileBegun(const std::wstring&, uint32_t) override {}
    void chunkWritten(uint64_t) override {
        if (++chunks == cancelAtChunk && engine != nullptr) {
            engine->requestCancel();
        }
    }
    void fileEnded() override {}
    int nextDisc(std::wstring&, int) override { return 1; }

    InstallEngine* engine = nullptr;
    int chunks = 0;
    int cancelAtChunk = -1;
};

class FakeUninstaller : public UninstallerFiles {
public:
    explicit FakeUninstaller(Platform& platform) : platform_(platform) {}
    bool writeExe(const std::wstring& folder) override { return put(folder, L"uninstall.exe"); }
    bool writeIni(const std::wstring& folder) override { return put(folder, L"uninstall.ini"); }

private:
    bool put(const std::wstring& folder, const std::wstring& name) {
        const std::string bytes =
            "the uninstaller's " + utf8FromWide(name) + " of run " + std::to_string(++runs_);
        return writeWholeFile(platform_, folder + L"\\" + name, bytes.data(), bytes.size());
    }
    Platform& platform_;
    int runs_ = 0;
};

// Every file below a folder with its size and a digest of its bytes, and
// every folder, by path relative to the test's root.
using Snapshot = std::map<std::string, std::string>;

inline Snapshot snapshotOf(const TempFolder& root, const std::string& below) {
    namespace fs = std::filesystem;
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(root.path() / below)) {
        const std::string name = fs::relative(entry.path(), root.path()).generic_string();
        const std::string bytes = entry.is_directory() ? "" : root.read(name);
        files[name] = entry.is_directory() ? "<folder>"
                                           : std::to_string(bytes.size()) + " bytes, " +
                                                 std::to_string(std::hash<std::string>()(bytes));
    }
    return files;
}

// The test game: a folder with a two-chunk file, a file at the top and an
// empty folder, packed into drive M:. `version` changes every file's bytes;
// `extraName` adds one more file.
inline void packTestGame(const TempFolder& root, const std::string& version,
                         const std::u16string& extraName = u"") {
    PackageBuilder builder;
    builder.folder(u"data")
        .file(u"data\\a.bin", 2)
        .chunk(version + " a, first half")
        .chunk(version + " a, second half")
        .file(u"b.txt", 1)
        .chunk(version + " b")
        .folder(u"empty");
    if (!extraName.empty()) {
        builder.file(extraName, 1).chunk(version + " extra");
    }
    builder.writeTo(root, "M");
}
