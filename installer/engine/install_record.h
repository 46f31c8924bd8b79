// One entry of the installer's uninstall record, with the installer's answer
// to an entry that cannot be written.
#pragma once

#include <string>

#include "common/platform.h"

// Appends `path` to targetFolder\uninstall.dat. An entry too long for its
// record, or one that cannot be written (the file cannot be opened or the
// write comes short), is shown (stop icon) and answers false, since the undo
// and the uninstaller could not find it again.
bool RecordInstalledEntry(Platform& platform, UserPrompt& prompt, const std::wstring& targetFolder,
                          bool isFolder, const std::wstring& path);
