#include "ini_section.h"

#include "common/text.h"

namespace {

// The file as a sequence of units: UTF-16 code units after a byte-order
// mark, single bytes otherwise.
struct Units {
    bool wide = false;
    std::u16string text;
};

Units unitsOf(const std::vector<uint8_t>& bytes) {
    Units units;
    units.wide = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (units.wide) {
        units.text = utf16FromLeBytes(bytes.data() + 2, bytes.size() - 2);
    } else {
        units.text.assign(bytes.begin(), bytes.end());
    }
    return units;
}

}  // namespace

std::vector<std::wstring> md5codeLines(const std::vector<std::string>& digests) {
    std::vector<std::wstring> lines{L"[md5code]", L"count=" + std::to_wstring(digests.size())};
    for (size_t i = 0; i < digests.size(); ++i) {
        lines.push_back(L"pck" + std::to_wstring(i + 1) + L"=" + wideFromUtf8(digests[i]));
    }
    return lines;
}

std::optional<std::vector<uint8_t>> replaceIniSection(const std::vector<uint8_t>& bytes,
                                                      const std::wstring& name,
                                                      const std::vector<std::wstring>& lines) {
    Units file = unitsOf(bytes);
    std::u16string replacement;
    for (const auto& line : lines) {
        std::u16string units;
        if (file.wide) {
            units = utf16FromWide(line);
        } else {
            const std::string ansi = cp1252FromWide(line);
            if (wideFromCp1252(ansi) != line) {
                return std::nullopt;
            }
            units.assign(ansi.begin(), ansi.end());
        }
        replacement += units + u"\r\n";
    }
    const std::u16string header = utf16FromWide(L"[" + name + L"]");
    const std::u16string& text = file.text;

    // Lines as the reader sees them: ended by CR LF.
    size_t begin = std::u16string::npos;
    size_t end = text.size();
    for (size_t at = 0; at < text.size();) {
        size_t stop = text.find(u"\r\n", at);
        const size_t next = stop == std::u16string::npos ? text.size() : stop + 2;
        const std::u16string_view line(text.data() + at,
                                       (stop == std::u16string::npos ? text.size() : stop) - at);
        if (begin == std::u16string::npos) {
            if (line == header) {
                begin = at;
            }
        } else if (!line.empty() && line[0] == u'[') {
            end = at;
            break;
        }
        at = next;
    }
    std::u16string result;
    if (begin == std::u16string::npos) {
        result = text;
        if (!result.empty() &&
            !(result.size() >= 2 && result.compare(result.size() - 2, 2, u"\r\n") == 0)) {
            result += u"\r\n";  // the last line needs its CR LF to be read
        }
        result += replacement;
    } else {
        result = text.substr(0, begin) + replacement + text.substr(end);
    }

    std::vector<uint8_t> out;
    if (file.wide) {
        out = {0xFF, 0xFE};
        auto encoded = leBytesFromUtf16(result);
        out.insert(out.end(), encoded.begin(), encoded.end());
    } else {
        out.assign(result.begin(), result.end());
    }
    return out;
}
