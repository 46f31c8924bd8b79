#include "ini_file.h"

#include <optional>
#include <vector>

#include "platform.h"
#include "text.h"

IniLineReader::IniLineReader(const std::vector<uint8_t>& bytes, Platform& platform)
    : bytes_(bytes), platform_(platform) {
    wide_ = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    position_ = wide_ ? 2 : 0;
}

std::optional<IniLineReader::Line> IniLineReader::next() {
    std::vector<char16_t> units;
    bool tooLong = false;
    while (!atEnd()) {
        char16_t unit = take();
        if (unit == u'\r' && !atEnd() && peek() == u'\n') {
            take();
            return Line{decode(units), tooLong};
        }
        if (units.size() < IniFile::kMaxLineUnits) {
            units.push_back(unit);
        } else {
            tooLong = true;
        }
    }
    return std::nullopt;
}

char16_t IniLineReader::peek() const {
    if (!wide_) {
        return bytes_[position_];
    }
    return static_cast<char16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
}

char16_t IniLineReader::take() {
    char16_t unit = peek();
    position_ += unitSize();
    return unit;
}

std::wstring IniLineReader::decode(const std::vector<char16_t>& units) const {
    if (wide_) {
        return wideFromUtf16(std::u16string_view(units.data(), units.size()));
    }
    std::string bytes(units.begin(), units.end());
    return platform_.wideFromAnsi(bytes);
}

IniIndex::IniIndex(const std::vector<uint8_t>& bytes, Platform& platform) {
    IniLineReader reader(bytes, platform);
    // Entries go to the section being read only when it is the first of its
    // name: a later one of that name is never reached by a lookup.
    Entries* current = nullptr;
    while (!reader.atEnd()) {
        auto line = reader.next();
        if (!line) {
            break;
        }
        if (line->tooLong) {
            continue;
        }
        const std::wstring& text = line->text;
        if (!text.empty() && text[0] == L'[') {
            current = nullptr;
            if (text.size() >= 2 && text.back() == L']') {
                auto [section, added] = sections_.try_emplace(text.substr(1, text.size() - 2));
                current = added ? &section->second : nullptr;
            }
            continue;
        }
        const size_t equals = text.find(L'=');
        if (current != nullptr && equals != std::wstring::npos) {
            current->try_emplace(text.substr(0, equals), text.substr(equals + 1));
        }
    }
}

std::wstring IniIndex::getString(const std::wstring& section, const std::wstring& key,
                                 const std::wstring& defaultValue) const {
    return find(section, key).value_or(defaultValue);
}

bool IniIndex::hasSection(const std::wstring& section) const {
    return sections_.count(section) != 0;
}

std::optional<std::wstring> IniIndex::find(const std::wstring& section,
                                           const std::wstring& key) const {
    const auto found = sections_.find(section);
    if (found == sections_.end()) {
        return std::nullopt;
    }
    const auto entry = found->second.find(key);
    if (entry == found->second.end()) {
        return std::nullopt;
    }
    return entry->second;
}

IniIndex IniFile::read(const std::wstring& path) const {
    auto bytes = readWholeFile(platform_, path, Share::All);
    return bytes ? IniIndex(*bytes, platform_) : IniIndex();
}

std::wstring IniFile::getString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue, const std::wstring& path) const {
    return read(path).getString(section, key, defaultValue);
}

std::wstring nonUtf16Encoding(const std::vector<uint8_t>& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return {};
    }
    if (bytes.empty()) {
        return L"empty";
    }
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return L"UTF-8";
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return L"UTF-16 big-endian";
    }
    if (bytes.size() >= 2 && (bytes[0] == 0 || bytes[1] == 0)) {
        return L"UTF-16 without its byte-order mark";
    }
    return L"without a byte-order mark (ANSI or UTF-8)";
}
