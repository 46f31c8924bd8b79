#include "ini_file.h"

#include <optional>
#include <vector>

#include "platform.h"
#include "text.h"

namespace {

// One pass over the file's units (bytes in the ANSI form, 16-bit units after a
// byte-order mark), handing out complete lines.
class LineReader {
public:
    LineReader(const std::vector<uint8_t>& bytes, Platform& platform)
        : bytes_(bytes), platform_(platform) {
        wide_ = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
        position_ = wide_ ? 2 : 0;
    }

    bool atEnd() const { return position_ + unitSize() > bytes_.size(); }

    struct Line {
        std::wstring text;
        bool tooLong = false;
    };

    // Nothing when the file ends before the line's CR LF.
    std::optional<Line> next() {
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

private:
    size_t unitSize() const { return wide_ ? 2 : 1; }
    char16_t peek() const {
        if (!wide_) {
            return bytes_[position_];
        }
        return static_cast<char16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    }
    char16_t take() {
        char16_t unit = peek();
        position_ += unitSize();
        return unit;
    }
    std::wstring decode(const std::vector<char16_t>& units) const {
        if (wide_) {
            return wideFromUtf16(std::u16string_view(units.data(), units.size()));
        }
        std::string bytes(units.begin(), units.end());
        return platform_.wideFromAnsi(bytes);
    }

    const std::vector<uint8_t>& bytes_;
    Platform& platform_;
    bool wide_ = false;
    size_t position_ = 0;
};

}  // namespace

std::wstring IniFile::getString(const std::wstring& section, const std::wstring& key,
                                const std::wstring& defaultValue, const std::wstring& path) const {
    auto bytes = readWholeFile(platform_, path, Share::All);
    if (!bytes) {
        return defaultValue;
    }
    LineReader reader(*bytes, platform_);
    const std::wstring header = L"[" + section + L"]";
    bool inSection = false;
    while (!reader.atEnd()) {
        auto line = reader.next();
        if (!line) {
            return defaultValue;
        }
        if (line->tooLong) {
            continue;
        }
        if (!inSection) {
            inSection = line->text == header;
            continue;
        }
        if (!line->text.empty() && line->text[0] == L'[') {
            return defaultValue;
        }
        size_t equals = line->text.find(L'=');
        if (equals != std::wstring::npos && line->text.compare(0, equals, key) == 0 &&
            equals == key.size()) {
            return line->text.substr(equals + 1);
        }
    }
    return defaultValue;
}
