// What the portable core asks of the system. The programs use the Win32
// implementation; native tests and the native tool use PosixPlatform; tests
// script the user's answers with a prompt of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A buffered byte stream, as fopen gives one. Paths are Windows-style wide
// strings; implementations map them to the host.
class File {
public:
    virtual ~File() = default;
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Bytes actually read; a short count means end of file or a read error.
    virtual size_t read(void* buffer, size_t size) = 0;
    // Bytes actually written.
    virtual size_t write(const void* data, size_t size) = 0;
    // Bytes actually written at `offset`, past the stream's buffer and
    // position: threads may write parts of one file at once. A file written
    // so is not also written with write().
    virtual size_t writeAt(uint64_t offset, const void* data, size_t size) = 0;
    virtual bool seek(uint64_t offset) = 0;
    virtual std::optional<uint64_t> position() = 0;
    // Length of the file, measured by seeking to its end and back.
    virtual std::optional<uint64_t> size() = 0;
    // True once a read has reached the end of the file.
    virtual bool atEnd() const = 0;
    // Hands what is buffered to the system, so that it outlives the process;
    // `durable` also waits until it is on the disk, so that it outlives a
    // power cut.
    virtual bool flush(bool durable) = 0;
};

enum class OpenMode {
    Read,    // "rb"
    Write,   // "wb": created or truncated
    Append,  // "ab"
};

// How others may use the file while it is open.
enum class Share {
    All,        // read and write allowed to others
    DenyWrite,  // others may read only
    None,       // exclusive
};

enum class DriveKind { Unknown, NoRootFolder, Removable, Fixed, Remote, CdRom, RamDisk };

struct FolderEntry {
    std::wstring name;
    // For a link: whether it stands for a folder.
    bool isFolder = false;
    // The system, hidden or temporary attribute (Windows only).
    bool systemHiddenOrTemporary = false;
    // A junction, symbolic link or mount point (a reparse point on Windows).
    // What it points to is someone else's: a walk that removes things removes
    // the link itself and never enters it.
    bool isLink = false;
};

class Platform {
public:
    virtual ~Platform() = default;
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    virtual std::unique_ptr<File> open(const std::wstring& path, OpenMode mode,
                                       Share share = Share::All) = 0;
    virtual bool fileExists(const std::wstring& path) = 0;
    virtual bool folderExists(const std::wstring& path) = 0;
    virtual bool isReadOnly(const std::wstring& path) = 0;
    virtual bool clearReadOnly(const std::wstring& path) = 0;
    // Creates one folder; its parent must exist. An existing folder answers false.
    virtual bool createFolder(const std::wstring& path) = 0;
    virtual bool removeFolder(const std::wstring& path) = 0;
    virtual bool deleteFile(const std::wstring& path) = 0;
    // Renames a file on its volume (no copy); `replace` allows an existing
    // destination to be replaced.
    virtual bool moveFile(const std::wstring& from, const std::wstring& to, bool replace) = 0;
    // Entries of a folder, without "." and "..".
    virtual std::vector<FolderEntry> listFolder(const std::wstring& path) = 0;
    // Whether the path itself is a link (see FolderEntry::isLink).
    virtual bool isLink(const std::wstring& path) = 0;
    // The path made absolute and long: ".", "..", "/" and trailing dots or
    // blanks resolved and 8.3 short names expanded as far as the path exists,
    // so that two spellings of one folder compare equal.
    virtual std::wstring realPath(const std::wstring& path) = 0;
    // The system's own text for the last failure of a call on this thread.
    virtual std::wstring lastErrorText() = 0;
    // Bytes available to the user on the drive that holds `path` ("C:" or "C:\...").
    virtual std::optional<uint64_t> freeBytes(const std::wstring& path) = 0;
    virtual DriveKind driveType(const std::wstring& root) = 0;
    virtual std::wstring currentFolder() = 0;

    virtual void sleep(unsigned milliseconds) = 0;
    // Windows NT family: the top bit of GetVersion clear. False on 9x.
    virtual bool isNtFamily() = 0;
    // The system's ANSI code page.
    virtual std::wstring wideFromAnsi(std::string_view bytes) = 0;
    virtual std::string ansiFromWide(std::wstring_view text) = 0;
};

enum class MessageIcon { None, Stop, Question, Warning, Information };

// Message boxes. Questions are Yes/No; true means Yes (retry or continue).
class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    UserPrompt() = default;
    UserPrompt(const UserPrompt&) = delete;
    UserPrompt& operator=(const UserPrompt&) = delete;

    virtual void showMessage(const std::wstring& text, MessageIcon icon) = 0;
    virtual bool askYesNo(const std::wstring& text, MessageIcon icon) = 0;
};

// The threads worth running at once for work that only computes: one per
// processor, at least one.
int processorCount();

// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> readWholeFile(Platform& platform, const std::wstring& path,
                                                  Share share = Share::All);
// Writes a whole file, created or truncated.
bool writeWholeFile(Platform& platform, const std::wstring& path, const void* data, size_t size,
                    Share share = Share::None);
