#include "relative_name.h"

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Windows drops trailing dots and blanks of a component, so "..", "..." and
// ". ." all end up as a step to the parent (or worse); only "." is harmless.
bool climbsOut(std::wstring_view component) {
    if (component.empty() || component == L".") {
        return false;
    }
    return component.find_first_not_of(L". ") == std::wstring_view::npos;
}

}  // namespace

NameFault findNameFault(std::wstring_view name) {
    if (name.empty()) {
        return NameFault::Empty;
    }
    if (isSeparator(name[0])) {
        return NameFault::Absolute;
    }
    if (name.find(L':') != std::wstring_view::npos) {
        return NameFault::Colon;
    }
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) {
            ++end;
        }
        if (climbsOut(name.substr(start, end - start))) {
            return NameFault::ParentStep;
        }
        start = end + 1;
    }
    return NameFault::None;
}
