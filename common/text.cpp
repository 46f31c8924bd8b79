#include "text.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <optional>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined positions, which
// Windows maps to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// Code points of a wide string (UTF-16 on Windows, UTF-32 on Linux).
template <typename Visit>
void forEachCodePoint(std::wstring_view text, Visit visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (isHighSurrogate(c) && i + 1 < text.size() &&
                isLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        visit(c);
    }
}

struct Placeholder {
    size_t begin = 0;
    size_t end = 0;
};

// Finds the first conversion whose letter is one of `kinds`; conversions of
// other kinds are left for literal copying.
std::optional<Placeholder> findPlaceholder(std::wstring_view format, std::wstring_view kinds) {
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < format.size() &&
               std::wstring_view(L"-+ #0").find(format[j]) != std::wstring_view::npos) {
            ++j;
        }
        while (j < format.size() && format[j] >= L'0' && format[j] <= L'9') {
            ++j;
        }
        if (format.substr(j, 3) == L"I64") {
            j += 3;
        } else {
            while (j < format.size() && (format[j] == L'l' || format[j] == L'h')) {
                ++j;
            }
        }
        if (j < format.size() && kinds.find(format[j]) != std::wstring_view::npos) {
            return Placeholder{i, j + 1};
        }
    }
    return std::nullopt;
}

// Copies text literally, folding "%%" to "%".
void appendLiteral(std::wstring& out, std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'%') {
            ++i;
        }
    }
}

// Minimum field width of a placeholder such as "%5d" or "%-8s".
struct FieldWidth {
    size_t width = 0;
    bool leftAlign = false;
    bool zeroPad = false;
};

FieldWidth parseWidth(std::wstring_view conversion) {
    FieldWidth field;
    size_t i = 1;
    for (; i < conversion.size() &&
           std::wstring_view(L"-+ #0").find(conversion[i]) != std::wstring_view::npos;
         ++i) {
        field.leftAlign |= conversion[i] == L'-';
        field.zeroPad |= conversion[i] == L'0';
    }
    constexpr size_t kMaxWidth = 1000;  // a configured text cannot ask for more
    for (; i < conversion.size() && conversion[i] >= L'0' && conversion[i] <= L'9'; ++i) {
        field.width =
            std::min(kMaxWidth, field.width * 10 + static_cast<size_t>(conversion[i] - L'0'));
    }
    return field;
}

std::wstring pad(std::wstring value, const FieldWidth& field, bool numeric) {
    if (value.size() >= field.width) {
        return value;
    }
    size_t missing = field.width - value.size();
    if (field.leftAlign) {
        return value + std::wstring(missing, L' ');
    }
    if (numeric && field.zeroPad) {
        size_t signLength = (!value.empty() && value[0] == L'-') ? 1 : 0;
        return value.insert(signLength, missing, L'0');
    }
    return std::wstring(missing, L' ') + value;
}

std::wstring fill(std::wstring_view format, std::wstring_view kinds, std::wstring_view value,
                  bool numeric) {
    std::wstring out;
    auto placeholder = findPlaceholder(format, kinds);
    if (!placeholder) {
        appendLiteral(out, format);
        return out;
    }
    appendLiteral(out, format.substr(0, placeholder->begin));
    auto conversion = format.substr(placeholder->begin, placeholder->end - placeholder->begin);
    out += pad(std::wstring(value), parseWidth(conversion), numeric);
    appendLiteral(out, format.substr(placeholder->end));
    return out;
}

}  // namespace

std::wstring wideFromUtf16(std::u16string_view units) {
    std::wstring out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if constexpr (sizeof(wchar_t) == 4) {
            if (isHighSurrogate(c) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
                c = kReplacement;
            }
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

Utf16Units utf16FromWide(std::wstring_view text) {
    Utf16Units out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c > 0x10FFFF ? kReplacement : c);
        }
    });
    return out;
}

Utf16Units utf16FromLeBytes(const uint8_t* bytes, size_t byteCount) {
    Utf16Units out(byteCount / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return out;
}

std::vector<uint8_t> leBytesFromUtf16(std::u16string_view units) {
    std::vector<uint8_t> out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
    return out;
}

std::string utf8FromWide(std::wstring_view text) {
    std::string out;
    forEachCodePoint(text, [&](char32_t c) {
        appendUtf8(out,
                   (isHighSurrogate(c) || isLowSurrogate(c) || c > 0x10FFFF) ? kReplacement : c);
    });
    return out;
}

std::wstring wideFromUtf8(std::string_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        size_t length = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 0;
        if (length == 0 || i + length > text.size()) {
            appendWide(out, kReplacement);
            ++i;
            continue;
        }
        char32_t c = length == 1 ? b : (b & (0x7F >> length));
        bool valid = true;
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            valid &= (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        appendWide(out, valid ? c : kReplacement);
        i += valid ? length : 1;
    }
    return out;
}

std::wstring wideFromCp1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        char16_t u =
            (b >= 0x80 && b < 0xA0 && kCp1252High[b - 0x80] != 0) ? kCp1252High[b - 0x80] : b;
        out += static_cast<wchar_t>(u);
    }
    return out;
}

std::string cp1252FromWide(std::wstring_view text) {
    std::string out;
    forEachCodePoint(text, [&](char32_t c) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            return;
        }
        for (size_t i = 0; i < 32; ++i) {
            if (kCp1252High[i] == c || (kCp1252High[i] == 0 && c == 0x80 + i)) {
                out += static_cast<char>(0x80 + i);
                return;
            }
        }
        out += '?';
    });
    return out;
}

int parseLeadingInt(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value < INT_MIN ? INT_MIN : value);
}

std::wstring fillIntegerFormat(std::wstring_view format, int64_t value) {
    return fill(format, L"diu", std::to_wstring(value), true);
}

std::wstring fillTextFormat(std::wstring_view format, std::wstring_view value) {
    return fill(format, L"sS", value, false);
}

bool sameTextIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

std::wstring lowerCase(std::wstring_view text) {
    std::wstring lowered(text);
    for (wchar_t& c : lowered) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return lowered;
}
