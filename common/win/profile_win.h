// Writing the keys the installer hands to the uninstaller into uninstall.ini.
#pragma once

#include <string>

#include "common/registered_type.h"

// Writes each entry into section [registered] of the profile file; false when
// any could not be written.
bool writeProfileEntries(const std::wstring& profilePath, const ProfileEntries& entries);
