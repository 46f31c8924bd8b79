#include "posix_platform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "stdio_file.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

bool isDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

PosixPlatform::PosixPlatform(fs::path driveRoot) : driveRoot_(std::move(driveRoot)) {}

fs::path PosixPlatform::hostPath(const std::wstring& path) const {
    std::wstring rest = path;
    fs::path base;
    if (!driveRoot_.empty() && rest.size() >= 2 && isDriveLetter(rest[0]) && rest[1] == L':') {
        base = driveRoot_ / std::string(1, static_cast<char>(rest[0] & ~0x20));
        rest = rest.substr(2);
        while (!rest.empty() && rest[0] == L'\\') {
            rest.erase(0, 1);
        }
    }
#ifndef _WIN32
    for (auto& c : rest) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    fs::path tail(utf8FromWide(rest));
#else
    fs::path tail(rest);
#endif
    if (base.empty()) {
        return tail;
    }
    return rest.empty() ? base : base / tail;
}

std::unique_ptr<File> PosixPlatform::open(const std::wstring& path, OpenMode mode, Share) {
    const char* modeText = mode == OpenMode::Read ? "rb" : mode == OpenMode::Write ? "wb" : "ab";
    fs::path host = hostPath(path);
    std::error_code error;
    if (mode == OpenMode::Read && fs::is_directory(host, error)) {
        return nullptr;
    }
#ifdef _WIN32
    std::wstring wideMode(modeText, modeText + 2);
    std::FILE* stream = _wfopen(host.c_str(), wideMode.c_str());
#else
    std::FILE* stream = std::fopen(host.c_str(), modeText);
#endif
    if (stream == nullptr) {
        return nullptr;
    }
    return std::make_unique<StdioFile>(stream, mode);
}

bool PosixPlatform::fileExists(const std::wstring& path) {
    std::error_code error;
    return fs::is_regular_file(hostPath(path), error);
}

bool PosixPlatform::folderExists(const std::wstring& path) {
    std::error_code error;
    return fs::is_directory(hostPath(path), error);
}

bool PosixPlatform::isReadOnly(const std::wstring& path) {
    std::error_code error;
    auto status = fs::status(hostPath(path), error);
    return !error && fs::exists(status) &&
           (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

bool PosixPlatform::clearReadOnly(const std::wstring& path) {
    std::error_code error;
    fs::permissions(hostPath(path), fs::perms::owner_write, fs::perm_options::add, error);
    return !error;
}

bool PosixPlatform::createFolder(const std::wstring& path) {
    std::error_code error;
    return fs::create_directory(hostPath(path), error);
}

bool PosixPlatform::removeFolder(const std::wstring& path) {
    std::error_code error;
    fs::path host = hostPath(path);
    return fs::is_directory(host, error) && fs::remove(host, error);
}

bool PosixPlatform::deleteFile(const std::wstring& path) {
    std::error_code error;
    fs::path host = hostPath(path);
    return !fs::is_directory(host, error) && fs::remove(host, error);
}

bool PosixPlatform::moveFile(const std::wstring& from, const std::wstring& to, bool replace) {
    std::error_code error;
    const fs::path target = hostPath(to);
    if (!replace && fs::exists(fs::symlink_status(target, error))) {
        return false;
    }
    fs::rename(hostPath(from), target, error);
    return !error;
}

std::vector<FolderEntry> PosixPlatform::listFolder(const std::wstring& path) {
    std::vector<FolderEntry> items;
    std::error_code error;
    for (fs::directory_iterator it(hostPath(path), error), end; !error && it != end;
         it.increment(error)) {
#ifdef _WIN32
        std::wstring name = it->path().filename().wstring();
#else
        std::wstring name = wideFromUtf8(it->path().filename().string());
#endif
        std::error_code kindError;
        // is_directory follows a link; whether the entry is one comes from
        // the entry's own status.
        const bool link = it->is_symlink(kindError);
        items.push_back({name, it->is_directory(kindError), false, link});
    }
    return items;
}

bool PosixPlatform::isLink(const std::wstring& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(hostPath(path), error));
}

std::wstring PosixPlatform::lastErrorText() {
    return wideFromUtf8(std::strerror(errno));
}

std::optional<uint64_t> PosixPlatform::freeBytes(const std::wstring& path) {
    std::error_code error;
    fs::path host = hostPath(path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : path);
    auto info = fs::space(host.empty() ? fs::path(".") : host, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(info.available);
}

DriveKind PosixPlatform::driveType(const std::wstring& root) {
    return folderExists(root) ? DriveKind::Fixed : DriveKind::NoRootFolder;
}

std::wstring PosixPlatform::currentFolder() {
    std::error_code error;
    auto current = fs::current_path(error);
#ifdef _WIN32
    return current.wstring();
#else
    return wideFromUtf8(current.string());
#endif
}

void PosixPlatform::sleep(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::wstring PosixPlatform::wideFromAnsi(std::string_view bytes) {
    return wideFromCp1252(bytes);
}

std::string PosixPlatform::ansiFromWide(std::wstring_view text) {
    return cp1252FromWide(text);
}
