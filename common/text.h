// Text helpers: UTF-16LE at the byte boundary, the ANSI code page of the host,
// and the one safe way to fill configured format texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One UTF-16 code unit sequence as stored on disk (little-endian bytes decoded).
using Utf16Units = std::u16string;

// wchar_t is 16 bits on Windows (a copy) and 32 bits on Linux (a conversion).
std::wstring wideFromUtf16(std::u16string_view units);
Utf16Units utf16FromWide(std::wstring_view text);

// Little-endian byte forms, as in install.ini, package entry names and uninstall.dat.
Utf16Units utf16FromLeBytes(const uint8_t* bytes, size_t byteCount);
std::vector<uint8_t> leBytesFromUtf16(std::u16string_view units);

std::string utf8FromWide(std::wstring_view text);
std::wstring wideFromUtf8(std::string_view text);

// Windows-1252, the default ANSI code page of the portable build.
std::wstring wideFromCp1252(std::string_view bytes);
std::string cp1252FromWide(std::wstring_view text);

// Equal but for letter case, as Windows matches names and registry keys.
bool sameTextIgnoringCase(std::wstring_view a, std::wstring_view b);
std::wstring lowerCase(std::wstring_view text);

// Standard decimal conversion: leading blanks, optional sign, leading digits;
// anything else stops the number ("12abc" is 12, "abc" is 0). Saturates at the
// limits of int instead of overflowing.
int parseLeadingInt(std::wstring_view text);

// Fill the first placeholder of the expected kind in a configured text and copy
// everything else literally ("%%" becomes "%"). The text is never handed to printf.
// Integer placeholders: %d %i %u with optional flags, width, and l/ll/I64 sizes.
// Text placeholders: %s %ls %S.
std::wstring fillIntegerFormat(std::wstring_view format, int64_t value);
std::wstring fillTextFormat(std::wstring_view format, std::wstring_view value);
