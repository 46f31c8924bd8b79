// Waiting for a package that is not where the medium folder says, as a set
// of several discs needs: the next-disc callback is asked until the package
// turns up in the folder it answers.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "common/platform.h"

// The next-disc callback's protocol: called with the folder (which it may
// change) and the package number, it answers 0 (look again now), 1 (give up)
// or anything else (no answer yet: look again in a second on the NT family,
// ask again on 9x). Once the package is found it is called with an empty
// folder and -1, so that it can take its prompt away.
using NextDiscQuestion = std::function<int(std::wstring& folder, int packageNumber)>;

// True once data`number`.pck is in `folder`; false when the question gives
// up or `stop` is set while it waits.
bool waitForPackage(Platform& platform, std::wstring& folder, int number,
                    const NextDiscQuestion& ask, const std::atomic<bool>& stop);
