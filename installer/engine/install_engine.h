// The install step without windows: the target folder, the uninstaller's
// files, the records and the unpack of the package stream, and the undo of
// a run that failed or was cancelled. The chunks of a file are inflated on
// one thread while the one before is written on another. The wizard's install page and the
// silent run drive the same engine; each shows what it reports in its own way.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "common/platform.h"
#include "installer/engine/inflate_pipeline.h"
#include "installer/engine/install_journal.h"
#include "installer/engine/zip_file_package.h"

// What the unpack reports while it runs, on the engine's thread.
class InstallObserver {
public:
    virtual ~InstallObserver() = default;
    InstallObserver() = default;
    InstallObserver(const InstallObserver&) = delete;
    InstallObserver& operator=(const InstallObserver&) = delete;

    virtual void folderCreated(const std::wstring& path) = 0;
    // `name` is the file's name without its folders.
    virtual void fileBegun(const std::wstring& name, uint32_t chunkCount) = 0;
    virtual void chunkWritten(uint64_t bytes) = 0;
    virtual void fileEnded() = 0;
    // The package `number` is missing from `mediumFolder` (which the answer
    // may change): 0 try again now, 1 give up, anything else no answer yet;
    // with -1 the package has been found.
    virtual int nextDisc(std::wstring& mediumFolder, int number) = 0;
};

// The two files of the uninstaller, written into the target folder.
class UninstallerFiles {
public:
    virtual ~UninstallerFiles() = default;
    UninstallerFiles() = default;
    UninstallerFiles(const UninstallerFiles&) = delete;
    UninstallerFiles& operator=(const UninstallerFiles&) = delete;

    virtual bool writeExe(const std::wstring& targetFolder) = 0;
    virtual bool writeIni(const std::wstring& targetFolder) = 0;
};

// The log's line on an unpack: how many bytes and how long it took, which the
// benchmark reads.
std::wstring unpackTimeLine(uint64_t bytes, std::chrono::steady_clock::duration took);

class InstallEngine {
public:
    // `registry` and `product` mark the run for the next start, should it be
    // killed; the run's own registry changes go through registry().
    InstallEngine(Platform& platform, UserPrompt& prompt, Registry& registry,
                  const std::wstring& product, CZipFilePackage& reader,
                  UninstallerFiles& uninstaller, std::wstring targetFolder);

    // Creates the target folder, places and records the uninstaller's files
    // and unpacks every entry; true when all of it is done. A failure has been
    // shown through the prompt; what was made stays until undo().
    bool install(InstallObserver& observer);
    // Stops the unpack at its next callback.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelRequested() const { return cancelRequested_; }

    // Appends a record for what the install makes after the unpack (the
    // program group, shortcuts), before it is made; a file that is there
    // already is set aside first, a folder that is there is kept by the undo.
    [[nodiscard]] bool record(bool isFolder, const std::wstring& path);
    // The registry for what the run writes there (the file type, the
    // Uninstall entry): each change is journaled, so that the undo takes it
    // back.
    Registry& registry() { return journal_.registry(); }
    // The run has finished: what it replaced is deleted, then its journal.
    void commit() { journal_.commit(); }
    // Removes what this run made, newest first, and puts back what it
    // replaced (see InstallJournal::undo).
    void undo(const std::atomic<bool>& stop, const std::function<void(int)>& position);

    const std::wstring& targetFolder() const { return targetFolder_; }

private:
    static int createEntry(void* context, int isFolder, uint32_t chunkCount,
                           const std::wstring& targetFolder, const std::wstring& name);
    static int endEntry(void* context);
    // Hears of one chunk's write, on the pipeline's ordering thread; false
    // stops the unpack.
    bool chunkWritten(const std::wstring& path, size_t length, bool written);
    bool placeUninstaller();

    Platform& platform_;
    UserPrompt& prompt_;
    CZipFilePackage& reader_;
    UninstallerFiles& uninstaller_;
    std::wstring targetFolder_;
    InstallJournal journal_;
    std::atomic<bool> cancelRequested_{false};
    InstallObserver* observer_ = nullptr;
    InflatePipeline* pipeline_ = nullptr;
    std::shared_ptr<File> targetFile_;
};
