#include "host_path.h"

#include <algorithm>
#include <filesystem>

#include "common/text.h"

namespace {

std::filesystem::path hostPathOf(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(utf8FromWide(path));
#endif
}

std::wstring wideOf(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return wideFromUtf8(path.string());
#endif
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring joinPath(const std::wstring& folder, const std::wstring& name) {
    std::wstring base = folder;
    while (base.size() > 1 && isSeparator(base.back())) {
        base.pop_back();
    }
    return base + kHostSeparator + name;
}

std::wstring withHostSeparators(std::wstring text) {
    std::replace_if(text.begin(), text.end(), isSeparator, kHostSeparator);
    return text;
}

std::wstring absolutePath(const std::wstring& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(hostPathOf(path), error);
    return error ? path : wideOf(absolute.lexically_normal());
}

bool isWithinFolder(const std::wstring& inner, const std::wstring& outer) {
    std::error_code error;
    auto a = std::filesystem::weakly_canonical(hostPathOf(inner), error);
    auto b = std::filesystem::weakly_canonical(hostPathOf(outer), error);
    if (error) {
        return false;
    }
    auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return mismatch.first == b.end() ||
           (std::next(mismatch.first) == b.end() && mismatch.first->empty());
}
