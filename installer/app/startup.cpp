#include "startup.h"

#include <algorithm>

#include "common/platform.h"

std::wstring fileNameOf(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool copyFileToFolder(Platform& platform, const std::wstring& folder,
                      const std::wstring& sourcePath) {
    const std::wstring destination = folder + L"\\" + fileNameOf(sourcePath);
    if (platform.fileExists(destination) && platform.isReadOnly(destination)) {
        platform.clearReadOnly(destination);
    }
    auto source = platform.open(sourcePath, OpenMode::Read, Share::DenyWrite);
    if (!source) {
        return false;
    }
    auto size = source->size();
    if (!size || *size == 0 || *size > SIZE_MAX) {
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(*size));
    // A short read would write a corrupted copy; it fails like an empty one.
    if (source->read(bytes.data(), bytes.size()) != bytes.size()) {
        return false;
    }
    auto target = platform.open(destination, OpenMode::Write, Share::DenyWrite);
    return target && target->write(bytes.data(), bytes.size()) == bytes.size();
}

std::wstring privateFolderFor(const std::wstring& tempFolder) {
    return tempFolder + L"CKVStaging\\";
}

const std::vector<std::wstring>& filesCarriedByRelaunch() {
    static const std::vector<std::wstring> kFiles = {L"install.ini", L"JPGI.dll", L"ijl15.dll"};
    return kFiles;
}

std::vector<std::wstring> deletionOrder(const std::wstring& privateFolder,
                                        const std::wstring& programName, bool ntFamily,
                                        bool withUninstallIni) {
    if (ntFamily) {
        std::vector<std::wstring> paths = {
            privateFolder + programName, privateFolder + L"install.ini",
            privateFolder + L"ijl15.dll", privateFolder + L"JPGI.dll"};
        if (withUninstallIni) {
            paths.push_back(privateFolder + L"uninstall.ini");
        }
        return paths;
    }
    return {privateFolder + programName, privateFolder + L"ijl15.dll", privateFolder + L"JPGI.dll"};
}

std::wstring encodeMediumArgument(const std::wstring& folder) {
    std::wstring encoded = folder;
    std::replace(encoded.begin(), encoded.end(), L' ', L',');
    return encoded;
}

std::wstring mediumFolderFromArgument(const std::wstring& argument) {
    std::wstring folder = argument;
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    std::replace(folder.begin(), folder.end(), L',', L' ');
    return folder;
}

std::wstring defaultTargetFolderFor(const std::wstring& programsFolder, bool folderCreateFlag,
                                    const std::wstring& product) {
    std::wstring drive = programsFolder.substr(0, 2);
    return folderCreateFlag ? drive + L"\\" + product : drive;
}
