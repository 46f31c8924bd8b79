// Rewriting one section of an INI file in place, in the file's own form
// (UTF-16LE after FF FE, or the ANSI code page), with lines ended by CR LF as
// the reader requires. Everything outside the section keeps its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The [md5code] lines for the digests of data1.pck ... dataN.pck.
std::vector<std::wstring> md5codeLines(const std::vector<std::string>& digests);

// `bytes` with section `name` replaced by `lines` (the header "[name]" and
// every line up to the next one that begins with "["), or with the section
// added at the end when there is none. Nothing when an ANSI file would need
// a line that its code page cannot hold.
std::optional<std::vector<uint8_t>> replaceIniSection(const std::vector<uint8_t>& bytes,
                                                      const std::wstring& name,
                                                      const std::vector<std::wstring>& lines);
