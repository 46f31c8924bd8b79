// A fresh folder for one test, removed with everything in it afterwards, and
// a PosixPlatform whose drive letters live inside it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/posix_platform.h"
#include "common/text.h"

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        for (;;) {
            path_ = std::filesystem::temp_directory_path() /
                    ("ckv-test-" + std::to_string(random()) + std::to_string(random()));
            if (std::filesystem::create_directory(path_)) {
                break;
            }
        }
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
        for (auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The same location as a wide path for the platform.
    std::wstring wide(const std::string& relative = "") const {
        auto full = relative.empty() ? path_ : path_ / relative;
#ifdef _WIN32
        return full.make_preferred().wstring();
#else
        return wideFromUtf8(full.string());
#endif
    }

    void write(const std::string& relative, const std::string& bytes) const {
        auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << bytes;
    }
    void write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
        write(relative, std::string(bytes.begin(), bytes.end()));
    }
    std::string read(const std::string& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

// UTF-16LE bytes with a byte-order mark, as install.ini is stored.
inline std::string utf16File(const std::wstring& text) {
    auto bytes = leBytesFromUtf16(utf16FromWide(text));
    return std::string("\xFF\xFE") + std::string(bytes.begin(), bytes.end());
}
