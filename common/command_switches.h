// The switches a script gives either program for an unattended run, and the
// arguments beside them. An argument that begins with "/" is a switch; the
// installer's medium-folder argument and the uninstaller's "uninstall" and
// game folder never do. Switch names match in any letter case.
//
//   install.exe   /S  /D=PATH  /LOG=FILE  /VERIFY  /RUN
//   uninstall.exe /S  /DELETEALL  /LOG=FILE
//
// A value may be quoted ("/D=C:\My Games\X" or /D="C:\My Games\X"), or hold
// blanks unquoted: then it runs up to the next argument that begins with "/".
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CommandSwitches {
    bool silent = false;                       // /S
    std::optional<std::wstring> targetFolder;  // /D=PATH
    std::optional<std::wstring> logPath;       // /LOG=FILE
    bool verify = false;                       // /VERIFY
    bool run = false;                          // /RUN
    bool deleteAll = false;                    // /DELETEALL
    // The arguments that are no switches, in order.
    std::vector<std::wstring> arguments;
    // Switches this program does not know, as given; nothing is done then.
    std::vector<std::wstring> unknown;

    bool any() const;
    // The first argument that is no switch, or empty.
    std::wstring argument(size_t index) const;
};

enum class SwitchSet { Installer, Uninstaller };

// Reads a command line without the program's own name.
CommandSwitches parseCommandSwitches(const std::wstring& line, SwitchSet known);

// The switches again as part of a command line, each value quoted: what the
// first run hands to the copy it starts.
std::wstring switchesCommandLine(const CommandSwitches& switches);

// The rest of a command line after the program's own name (quoted or not).
std::wstring commandLineAfterProgram(const std::wstring& line);
