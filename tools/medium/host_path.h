// Paths on the system the tool runs on. Messages name files with its
// separator ("/" natively, "\" in medium.exe), although the installer's code
// that the tool shares joins paths with "\" (which PosixPlatform maps).
#pragma once

#include <string>

#ifdef _WIN32
inline constexpr wchar_t kHostSeparator = L'\\';
#else
inline constexpr wchar_t kHostSeparator = L'/';
#endif

// The folder's path joined with a name, with one separator of the host.
std::wstring joinPath(const std::wstring& folder, const std::wstring& name);

// `text` with every "/" and "\" written as the host's separator: for the
// messages of the installer's code, whose paths are joined with "\".
std::wstring withHostSeparators(std::wstring text);

// A path given on the command line, made absolute against the current folder
// (as the records of uninstall.dat hold absolute paths).
std::wstring absolutePath(const std::wstring& path);

// True when `inner` is `outer` or lies below it, symbolic links resolved.
bool isWithinFolder(const std::wstring& inner, const std::wstring& outer);
