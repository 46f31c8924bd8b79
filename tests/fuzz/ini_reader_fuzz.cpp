// Fuzz target for the INI reader: the input is an INI file. The index built
// in one pass must answer every lookup exactly as a plain scan of the file's
// lines does, lookup by lookup, for the names that occur in the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "tests/fuzz/memory_platform.h"

namespace {

constexpr wchar_t kDefault[] = L"<default>";
constexpr size_t kMaxNames = 12;  // per kind, so that one input stays fast

// The reader written as plainly as it can be: the file's complete lines, and
// each lookup walking them from the first.
class LineScan {
public:
    LineScan(const std::vector<uint8_t>& bytes, Platform& platform)
        : bytes_(bytes), platform_(platform) {
        wide_ = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
        lines_ = split();
    }

    // Over-long lines as nothing.
    const std::vector<std::optional<std::wstring>>& lines() const { return lines_; }

    std::wstring lookup(const std::wstring& section, const std::wstring& key) const {
        const auto& all = lines_;
        const std::wstring header = L"[" + section + L"]";
        size_t i = 0;
        while (i < all.size() && all[i] != header) {
            ++i;
        }
        for (++i; i < all.size(); ++i) {
            if (!all[i]) {
                continue;
            }
            const std::wstring& line = *all[i];
            if (!line.empty() && line[0] == L'[') {
                break;
            }
            const size_t equals = line.find(L'=');
            if (equals != std::wstring::npos && line.substr(0, equals) == key) {
                return line.substr(equals + 1);
            }
        }
        return kDefault;
    }

private:
    std::vector<std::optional<std::wstring>> split() const {
        std::vector<std::optional<std::wstring>> all;
        size_t at = wide_ ? 2 : 0;
        for (;;) {
            std::u16string units;
            bool ended = false;
            while (at + unit() <= bytes_.size()) {
                const char16_t c = unitAt(at);
                at += unit();
                if (c == u'\r' && at + unit() <= bytes_.size() && unitAt(at) == u'\n') {
                    at += unit();
                    ended = true;
                    break;
                }
                units += c;
            }
            if (!ended) {
                return all;
            }
            if (units.size() > IniFile::kMaxLineUnits) {
                all.emplace_back();
            } else if (wide_) {
                all.emplace_back(wideFromUtf16(units));
            } else {
                all.emplace_back(platform_.wideFromAnsi(std::string(units.begin(), units.end())));
            }
        }
    }

    size_t unit() const { return wide_ ? 2 : 1; }
    char16_t unitAt(size_t at) const {
        return wide_ ? static_cast<char16_t>(bytes_[at] | (bytes_[at + 1] << 8)) : bytes_[at];
    }

    const std::vector<uint8_t>& bytes_;
    Platform& platform_;
    bool wide_ = false;
    std::vector<std::optional<std::wstring>> lines_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    MemoryPlatform platform;
    const std::wstring path = L"C:\\install.ini";
    platform.files[path] = std::string(bytes.begin(), bytes.end());

    const LineScan scan(bytes, platform);
    std::set<std::wstring> sections = {L"", L"a", L"setup", L"restable"};
    std::set<std::wstring> keys = {L"", L"k", L"=", L"str0"};
    for (const auto& line : scan.lines()) {
        if (!line || line->empty()) {
            continue;
        }
        if (line->front() == L'[' && line->back() == L']' && line->size() >= 2 &&
            sections.size() < kMaxNames) {
            sections.insert(line->substr(1, line->size() - 2));
        }
        const size_t equals = line->find(L'=');
        if (equals != std::wstring::npos && keys.size() < kMaxNames) {
            keys.insert(line->substr(0, equals));
        }
    }

    const IniFile ini(platform);
    const IniIndex index = ini.read(path);
    for (const auto& section : sections) {
        for (const auto& key : keys) {
            if (index.getString(section, key, kDefault) != scan.lookup(section, key)) {
                std::abort();
            }
        }
    }
    // A lookup of its own reads the file again, to the same answer.
    const std::wstring& section = *sections.rbegin();
    const std::wstring& key = *keys.rbegin();
    if (ini.getString(section, key, kDefault, path) != scan.lookup(section, key)) {
        std::abort();
    }
    return 0;
}
