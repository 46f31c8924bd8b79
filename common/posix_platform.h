// The platform of the native build: std::filesystem and stdio underneath.
// Windows paths are mapped to the host: "\" becomes "/", and a drive "X:"
// becomes the folder X below the drive root given at construction.
#pragma once

#include <filesystem>

#include "platform.h"

class PosixPlatform : public Platform {
public:
    explicit PosixPlatform(std::filesystem::path driveRoot = {});

    std::filesystem::path hostPath(const std::wstring& path) const;

    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share share) override;
    bool fileExists(const std::wstring& path) override;
    bool folderExists(const std::wstring& path) override;
    bool isReadOnly(const std::wstring& path) override;
    bool clearReadOnly(const std::wstring& path) override;
    bool createFolder(const std::wstring& path) override;
    bool removeFolder(const std::wstring& path) override;
    bool deleteFile(const std::wstring& path) override;
    bool moveFile(const std::wstring& from, const std::wstring& to, bool replace) override;
    std::vector<FolderEntry> listFolder(const std::wstring& path) override;
    bool isLink(const std::wstring& path) override;
    // No short names here: the path as it stands.
    std::wstring realPath(const std::wstring& path) override { return path; }
    std::wstring lastErrorText() override;
    std::optional<uint64_t> freeBytes(const std::wstring& path) override;
    DriveKind driveType(const std::wstring& root) override;
    std::wstring currentFolder() override;
    void sleep(unsigned milliseconds) override;
    bool isNtFamily() override { return true; }
    std::wstring wideFromAnsi(std::string_view bytes) override;
    std::string ansiFromWide(std::wstring_view text) override;

private:
    std::filesystem::path driveRoot_;
};
