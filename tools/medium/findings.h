// What a check of a medium found: faults, which make the exit status 1, and
// warnings, which name what may be meant but should be looked at.
#pragma once

#include <string>
#include <vector>

struct Findings {
    std::vector<std::wstring> faults;
    std::vector<std::wstring> warnings;
};
