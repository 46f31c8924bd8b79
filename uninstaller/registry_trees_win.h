// Deleting key trees below HKEY_CLASSES_ROOT with the calls Windows XP has
// (RegDeleteTree came later).
#pragma once

#include <windows.h>

#include <string>

#include "uninstaller/removal_engine.h"

// Deletes parent\name and every subkey below it, deepest first; answers the
// first error. An empty name is refused: it would open the parent itself.
LONG DeleteRegistryTree(HKEY parent, const std::wstring& name);

class ClassesRootTrees : public RegistryTrees {
public:
    void deleteTree(const std::wstring& name) override {
        DeleteRegistryTree(HKEY_CLASSES_ROOT, name);
    }
};
