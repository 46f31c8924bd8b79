// Read-only INI lookup shared by both programs. Every lookup opens, scans and
// closes the file; nothing is cached.
//
// Format: lines ended by CR LF; UTF-16LE after an FF FE byte-order mark, else
// the ANSI code page. "[name]" alone on a line starts a section; inside it a
// line beginning with "[" ends it; a line with "=" is an entry split at the
// first "=", nothing trimmed. Names match case-sensitively and whole. A line
// holds at most 255 units; a longer one matches nothing and is skipped. A line
// the file ends in before its CR LF ends the lookup with the default.
#pragma once

#include <string>

class Platform;

class IniFile {
public:
    static constexpr size_t kMaxLineUnits = 255;

    explicit IniFile(Platform& platform) : platform_(platform) {}

    std::wstring getString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& defaultValue, const std::wstring& path) const;

private:
    Platform& platform_;
};
