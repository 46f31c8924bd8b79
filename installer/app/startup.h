// The window-free steps of the installer's start-up: what the first run copies
// and schedules, how the medium folder travels to the second run, and the
// proposed target folder.
#pragma once

#include <string>
#include <vector>

class Platform;

// The file name after the last "\" (all of it when there is none).
std::wstring fileNameOf(const std::wstring& path);

// Copies one file into a folder under its own name, clearing the read-only
// attribute of an existing copy first. An empty or unreadable source fails.
bool copyFileToFolder(Platform& platform, const std::wstring& folder,
                      const std::wstring& sourcePath);

// "%sCKVStaging\" under a temporary folder that ends in "\".
std::wstring privateFolderFor(const std::wstring& tempFolder);

// Files that travel with the installer, beside the program itself, in the
// order they are copied.
const std::vector<std::wstring>& filesCarriedByRelaunch();

// The order in which the copies are scheduled for deletion at restart, the
// medium's uninstall.ini last when it was copied. On the 9x family, where only
// the last path stays scheduled, the two text files are left out.
std::vector<std::wstring> deletionOrder(const std::wstring& privateFolder,
                                        const std::wstring& programName, bool ntFamily,
                                        bool withUninstallIni = false);

// The medium folder travels as one argument: spaces become commas and back.
std::wstring encodeMediumArgument(const std::wstring& folder);
// The second run's reading of its argument: no trailing "\", commas as spaces.
std::wstring mediumFolderFromArgument(const std::wstring& argument);

// Drive of the Programs menu folder, with "\" + product when folders are created.
std::wstring defaultTargetFolderFor(const std::wstring& programsFolder, bool folderCreateFlag,
                                    const std::wstring& product);
