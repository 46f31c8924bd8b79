#include "win32_platform_win.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <cstdint>
#include <cstdio>

#include "common/stdio_file.h"
#include "common/win/handles_win.h"

namespace {

UINT iconFlags(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return MB_ICONSTOP;
        case MessageIcon::Question:
            return MB_ICONQUESTION;
        case MessageIcon::Warning:
            return MB_ICONWARNING;
        case MessageIcon::Information:
            return MB_ICONINFORMATION;
        case MessageIcon::None:
            break;
    }
    return 0;
}

// A file that does not exist yet, created as "wb" would, but without
// truncating it: under Wine "wb" becomes an open followed by a truncation to
// zero, and ext4 writes a file truncated to zero out to the disk when it is
// closed (it guards programs that replace a file by truncating it), so every
// file an unpack wrote waited for the disk at its close. Null when the file
// exists or cannot be created this way.
FILE* createNewFile(const std::wstring& path, Share share) {
    const DWORD shareMode = share == Share::All         ? FILE_SHARE_READ | FILE_SHARE_WRITE
                            : share == Share::DenyWrite ? FILE_SHARE_READ
                                                        : 0;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, shareMode, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* stream = _wfdopen(descriptor, L"wb");
    if (stream == nullptr) {
        _close(descriptor);
    }
    return stream;
}

}  // namespace

std::unique_ptr<File> Win32Platform::open(const std::wstring& path, OpenMode mode, Share share) {
    // Anything "wb" does beyond creating a new file (replacing one, or
    // failing as it fails) is left to it.
    FILE* stream = mode == OpenMode::Write ? createNewFile(path, share) : nullptr;
    if (stream == nullptr) {
        const wchar_t* modeText = mode == OpenMode::Read    ? L"rb"
                                  : mode == OpenMode::Write ? L"wb"
                                                            : L"ab";
        const int shareFlag = share == Share::All         ? _SH_DENYNO
                              : share == Share::DenyWrite ? _SH_DENYWR
                                                          : _SH_DENYRW;
        stream = _wfsopen(path.c_str(), modeText, shareFlag);
    }
    if (stream == nullptr) {
        return nullptr;
    }
    return std::make_unique<StdioFile>(stream, mode);
}

bool Win32Platform::fileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::folderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::isReadOnly(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool Win32Platform::clearReadOnly(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

bool Win32Platform::createFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool Win32Platform::removeFolder(const std::wstring& path) {
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool Win32Platform::deleteFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

bool Win32Platform::moveFile(const std::wstring& from, const std::wstring& to, bool replace) {
    // No MOVEFILE_COPY_ALLOWED: a move that would need a copy is refused.
    return MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != FALSE;
}

std::vector<FolderEntry> Win32Platform::listFolder(const std::wstring& path) {
    std::vector<FolderEntry> items;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((path + L"\\*").c_str(), &data));
    if (!find) {
        return items;
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            const DWORD attributes = data.dwFileAttributes;
            items.push_back({name, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                             (attributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_TEMPORARY)) != 0,
                             (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        }
    } while (FindNextFileW(find.get(), &data));
    return items;
}

bool Win32Platform::isLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::wstring Win32Platform::realPath(const std::wstring& path) {
    std::wstring full = path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
        std::wstring buffer(needed, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
        if (length > 0 && length < needed) {
            full.assign(buffer.data(), length);
        }
    }
    // GetLongPathNameW needs an existing path: expand the longest part that
    // exists and keep the rest as it is.
    std::wstring tail;
    std::wstring head = full;
    while (!head.empty()) {
        const DWORD longNeeded = GetLongPathNameW(head.c_str(), nullptr, 0);
        if (longNeeded > 0) {
            std::wstring buffer(longNeeded, L'\0');
            const DWORD length = GetLongPathNameW(head.c_str(), buffer.data(), longNeeded);
            if (length > 0 && length < longNeeded) {
                return std::wstring(buffer.data(), length) + tail;
            }
        }
        const size_t slash = head.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash + 1 >= head.size()) {
            break;
        }
        tail = head.substr(slash) + tail;
        head.erase(slash);
        if (head.size() == 2 && head[1] == L':') {
            head += L'\\';  // "C:" alone would name the drive's current folder
            tail.erase(0, 1);
        }
    }
    return full;
}

std::wstring Win32Platform::lastErrorText() {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length)
                                                         : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    return message;
}

std::optional<uint64_t> Win32Platform::freeBytes(const std::wstring& path) {
    std::wstring root = path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) + L"\\" : path;
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available.QuadPart;
}

DriveKind Win32Platform::driveType(const std::wstring& root) {
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_NO_ROOT_DIR:
            return DriveKind::NoRootFolder;
        case DRIVE_REMOVABLE:
            return DriveKind::Removable;
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        case DRIVE_REMOTE:
            return DriveKind::Remote;
        case DRIVE_CDROM:
            return DriveKind::CdRom;
        case DRIVE_RAMDISK:
            return DriveKind::RamDisk;
        default:
            return DriveKind::Unknown;
    }
}

std::wstring Win32Platform::currentFolder() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return buffer;
}

std::wstring Win32Platform::wideFromAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    int length =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                        length);
    return out;
}

std::string Win32Platform::ansiFromWide(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                     0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

void MessageBoxPrompt::showMessage(const std::wstring& text, MessageIcon icon) {
    MessageBoxW(owner_, text.c_str(), caption_.c_str(), MB_OK | iconFlags(icon));
}

bool MessageBoxPrompt::askYesNo(const std::wstring& text, MessageIcon icon) {
    return MessageBoxW(owner_, text.c_str(), caption_.c_str(), MB_YESNO | iconFlags(icon)) == IDYES;
}
