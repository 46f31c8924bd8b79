// The platform of the Windows programs.
#pragma once

#include <windows.h>

#include "common/platform.h"

class Win32Platform : public Platform {
public:
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
    std::wstring realPath(const std::wstring& path) override;
    std::wstring lastErrorText() override;
    std::optional<uint64_t> freeBytes(const std::wstring& path) override;
    DriveKind driveType(const std::wstring& root) override;
    std::wstring currentFolder() override;
    void sleep(unsigned milliseconds) override { Sleep(milliseconds); }
    bool isNtFamily() override { return (GetVersion() & 0x80000000U) == 0; }
    std::wstring wideFromAnsi(std::string_view bytes) override;
    std::string ansiFromWide(std::wstring_view text) override;
};

// Message boxes owned by a window (or none), with the program's caption.
class MessageBoxPrompt : public UserPrompt {
public:
    explicit MessageBoxPrompt(std::wstring caption, HWND owner = nullptr)
        : caption_(std::move(caption)), owner_(owner) {}

    void setOwner(HWND owner) { owner_ = owner; }
    void showMessage(const std::wstring& text, MessageIcon icon) override;
    bool askYesNo(const std::wstring& text, MessageIcon icon) override;

private:
    std::wstring caption_;
    HWND owner_;
};
