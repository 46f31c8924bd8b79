// Creating a folder together with its missing parents.
#pragma once

#include <string>

class Platform;

// True when the folder exists afterwards. A bare drive ("X:") or an empty
// path is never created. Parents are found by cutting at the last "\" (or
// "/", which Windows accepts too and the native build uses).
bool CreateFolderChain(Platform& platform, const std::wstring& path);
