// Read-only INI lookup shared by both programs.
//
// Format: lines ended by CR LF; UTF-16LE after an FF FE byte-order mark, else
// the ANSI code page. "[name]" alone on a line starts a section; inside it a
// line beginning with "[" ends it; a line with "=" is an entry split at the
// first "=", nothing trimmed. Names match case-sensitively and whole. A line
// holds at most 255 units; a longer one matches nothing and is skipped. A line
// the file ends in before its CR LF is not part of the file. The first section
// of a name wins, and within it the first entry of a name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class Platform;

// One pass over a file's units (bytes in the ANSI form, 16-bit units after a
// byte-order mark), handing out complete lines as the lookup sees them.
class IniLineReader {
public:
    IniLineReader(const std::vector<uint8_t>& bytes, Platform& platform);

    bool atEnd() const { return position_ + unitSize() > bytes_.size(); }

    struct Line {
        std::wstring text;     // its first kMaxLineUnits units when too long
        bool tooLong = false;  // a line the lookup skips
    };

    // Nothing when the file ends before the line's CR LF.
    std::optional<Line> next();

private:
    size_t unitSize() const { return wide_ ? 2 : 1; }
    char16_t peek() const;
    char16_t take();
    std::wstring decode(const std::vector<char16_t>& units) const;

    const std::vector<uint8_t>& bytes_;
    Platform& platform_;
    bool wide_ = false;
    size_t position_ = 0;
};

// The sections of one file as it was read: built in one pass, so that a
// lookup finds its section without scanning the file again.
class IniIndex {
public:
    // No sections: every lookup gives its default.
    IniIndex() = default;
    IniIndex(const std::vector<uint8_t>& bytes, Platform& platform);

    std::wstring getString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue) const;
    // Whether the section is in the file at all.
    bool hasSection(const std::wstring& section) const;
    // The value, or nothing when the key is missing (an empty value is there).
    std::optional<std::wstring> find(const std::wstring& section, const std::wstring& key) const;

private:
    using Entries = std::unordered_map<std::wstring, std::wstring>;
    std::unordered_map<std::wstring, Entries> sections_;  // by name, without brackets
};

// For a file that is not UTF-16 little-endian with its byte-order mark, the
// encoding its first bytes give away ("UTF-8", "empty", ...); empty when it
// is. Files the installer hands on must be read alike on every system.
std::wstring nonUtf16Encoding(const std::vector<uint8_t>& bytes);

class IniFile {
public:
    static constexpr size_t kMaxLineUnits = 255;

    explicit IniFile(Platform& platform) : platform_(platform) {}

    // Reads the file now; a file that cannot be read gives an index without
    // sections. Callers that make many lookups read once and keep the index.
    IniIndex read(const std::wstring& path) const;

    // One lookup on the file as it is on disk now.
    std::wstring getString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue, const std::wstring& path) const;

private:
    Platform& platform_;
};
