#include "zip_file_package.h"

#include "common/text.h"

CZipFilePackage::CZipFilePackage(Platform& platform, UserPrompt& prompt)
    : platform_(platform), prompt_(prompt) {}

CZipFilePackage::~CZipFilePackage() = default;

void CZipFilePackage::SetText(int index, const std::wstring& text) {
    if (index >= 0 && index < kTextSlots) {
        texts_[static_cast<size_t>(index)] = text;
    }
}

void CZipFilePackage::fail(const wchar_t* message) {
    stream_.reset();
    prompt_.showMessage(fillTextFormat(message, mediumFolder_), MessageIcon::Stop);
}

bool CZipFilePackage::Open(const std::wstring& mediumFolder) {
    mediumFolder_ = mediumFolder;
    currentPackage_ = 1;
    stream_ = platform_.open(packagePath(mediumFolder_, currentPackage_), OpenMode::Read);
    if (!stream_) {
        fail(L"Failed to open package file! %s");
        return false;
    }
    PackageHeader::Bytes bytes{};
    if (stream_->read(bytes.data(), bytes.size()) != bytes.size()) {
        fail(L"Failed to read file head! %s");
        return false;
    }
    header_ = PackageHeader::parse(bytes);
    if (header_.version != kPackageVersion) {
        fail(L"Unknown file version! %s");
        return false;
    }
    return true;
}

void CZipFilePackage::Close() {
    stream_.reset();
}
