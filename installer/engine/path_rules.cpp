#include "installer/engine/path_rules.h"

#include <limits>

namespace {

constexpr uint64_t kBytesPerMegabyte = uint64_t{1024} * 1024;
constexpr uint64_t kSpareMegabytes = 10;
constexpr uint64_t kSpareBytes = 10;
constexpr wchar_t kForbiddenCharacters[] = L"?/\"*<>|";

wchar_t upperCase(wchar_t letter) {
    if (letter >= L'a' && letter <= L'z') {
        return static_cast<wchar_t>(letter - L'a' + L'A');
    }
    return letter;
}

bool isAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool passesFormTest(Platform& platform, const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') &&
           passesDriveTest(platform, path[0]);
}

bool hasEnoughSpace(Platform& platform, const std::wstring& path, uint64_t totalSize) {
    const uint64_t most = std::numeric_limits<uint64_t>::max();
    const uint64_t needed = totalSize > most - kSpareBytes ? most : totalSize + kSpareBytes;
    return freeBytesOfPath(platform, path) >= needed;
}

bool hasForbiddenCharacters(const std::wstring& path) {
    if (path.find_first_of(kForbiddenCharacters) != std::wstring::npos ||
        path.find(L"\\\\") != std::wstring::npos) {
        return true;
    }
    const size_t colon = path.find(L':');
    return colon != std::wstring::npos && path.find(L':', colon + 1) != std::wstring::npos;
}

// Only the names that a backslash ends count: the last one may be blank.
bool hasBlankFolderName(const std::wstring& path) {
    size_t start = 0;
    for (size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', start)) {
        const size_t other = path.find_first_not_of(L' ', start);
        if (other == std::wstring::npos || other >= end) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

uint64_t neededMegabytes(uint64_t totalSize) {
    return totalSize / kBytesPerMegabyte + kSpareMegabytes;
}

std::wstring driveRoot(wchar_t upperLetter) {
    return {upperLetter, L':', L'\\'};
}

uint64_t freeBytesOfPath(Platform& platform, const std::wstring& path) {
    // Anything else would be read as a path relative to the current folder.
    if (path.size() < 2 || !isAsciiLetter(path[0]) || path[1] != L':') {
        return 0;
    }
    return platform.freeBytes(path.substr(0, 2)).value_or(0);
}

bool passesDriveTest(Platform& platform, wchar_t letter) {
    const wchar_t upper = upperCase(letter);
    if (upper < L'C' || upper > L'Z') {
        return false;
    }
    const std::wstring root = driveRoot(upper);
    const DriveKind type = platform.driveType(root);
    if (type == DriveKind::Unknown || type == DriveKind::CdRom) {
        return false;
    }
    return platform.freeBytes(root).has_value();
}

PathDecision checkTargetPath(Platform& platform, const std::wstring& path, uint64_t totalSize) {
    PathDecision decision;
    if (path.empty()) {
        decision.rejection = PathRejection::Empty;
        return decision;
    }
    if (!passesFormTest(platform, path)) {
        decision.rejection = PathRejection::Invalid;
        return decision;
    }
    if (!hasEnoughSpace(platform, path, totalSize)) {
        decision.rejection = PathRejection::NotEnoughSpace;
        return decision;
    }
    std::wstring target = path;
    if (target.back() == L'\\') {
        target.pop_back();
    }
    // A backslash still left at the end was the second of two in a row.
    if (hasForbiddenCharacters(target) || target.back() == L'\\') {
        decision.rejection = PathRejection::InvalidCharacters;
        return decision;
    }
    if (hasBlankFolderName(target)) {
        decision.rejection = PathRejection::Invalid;
        return decision;
    }
    decision.targetFolder = std::move(target);
    return decision;
}

std::wstring pathRejectionText(PathRejection rejection, const InstallConfig& config) {
    switch (rejection) {
        case PathRejection::Empty:
            return config.text(35);
        case PathRejection::NotEnoughSpace:
            return config.text(5);
        case PathRejection::InvalidCharacters:
            return L"The installation path is invalid! ( ? / : \\ \" * < > | )";
        case PathRejection::Invalid:
        case PathRejection::None:
            break;
    }
    return L"The installation path is invalid! ";
}
