#pragma once

#include <functional>

#include "platform/platform.h"

namespace rf::testing {

// Runs the platform's events until `done` holds or a guard of `guardMs` runs
// out; false when the guard ran out. The guard only keeps a broken test from
// hanging, it is not a timing check.
bool pumpUntil(platform::Platform& platform, const std::function<bool()>& done,
               int guardMs = 10000);

}  // namespace rf::testing
