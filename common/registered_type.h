// The hand-over of the update-pack file type's names: the installer writes the
// names it registered from install.ini into the uninstall.ini it places in the
// game's folder, so that the uninstaller removes the same keys.
#pragma once

inline constexpr wchar_t kRegisteredSection[] = L"registered";
inline constexpr wchar_t kRegisteredExtensionKey[] = L"reg_file_ext_name";
inline constexpr wchar_t kRegisteredTypeKey[] = L"reg_key_name";
