#pragma once

#include <functional>

#include "core/errors.h"

namespace rf::test {

// The number of the error the call raised, or 0 when it raised none.
inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RfError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace rf::test
