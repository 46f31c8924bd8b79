// Reader of the package stream data1.pck ... dataN.pck (layout in
// common/formats.h). It walks the entries and hands folders, file starts,
// inflated data and file ends to the caller's callbacks; it writes nothing.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "common/formats.h"
#include "common/platform.h"

class CZipFilePackage {
public:
    static constexpr int kTextSlots = 10;
    static constexpr int kReadErrorQuestion = 0;  // asked after a short read
    static constexpr int kDiskFullQuestion = 1;   // asked when the target is nearly full

    CZipFilePackage(Platform& platform, UserPrompt& prompt);
    virtual ~CZipFilePackage();
    CZipFilePackage(const CZipFilePackage&) = delete;
    CZipFilePackage& operator=(const CZipFilePackage&) = delete;

    void SetText(int index, const std::wstring& text);
    // Opens data1.pck in the folder and checks its header; shows its own
    // message and answers false on failure.
    bool Open(const std::wstring& mediumFolder);
    void Close();

    const PackageHeader& header() const { return header_; }
    const std::wstring& mediumFolder() const { return mediumFolder_; }
    int currentPackage() const { return currentPackage_; }

private:
    void fail(const wchar_t* message);

    Platform& platform_;
    UserPrompt& prompt_;
    std::unique_ptr<File> stream_;
    PackageHeader header_;
    std::wstring mediumFolder_;
    int currentPackage_ = 1;
    std::array<std::wstring, kTextSlots> texts_;
};
