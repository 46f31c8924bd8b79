// Names that the medium carries (package entries, check.md records) are
// joined to the target folder. A name is accepted only when it is a relative
// path that stays below that folder.
#pragma once

#include <string_view>

enum class NameFault {
    None,
    Empty,
    Absolute,    // begins with "\" or "/" (a root or a network path)
    Colon,       // a drive letter such as "C:" or an alternate data stream
    ParentStep,  // a ".." component, or one Windows would shorten to ".."
};

// Both "\" and "/" separate components: Windows accepts either.
NameFault findNameFault(std::wstring_view name);

inline bool isSafeRelativeName(std::wstring_view name) {
    return findNameFault(name) == NameFault::None;
}
