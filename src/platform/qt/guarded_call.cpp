#include "platform/qt/guarded_call.h"

#include <cstdio>
#include <exception>

#include "core/errors.h"

namespace rf::platform::qt {

void guardedCall(Platform& platform, const char* what, const std::function<void()>& handler) {
    if (!handler) return;
    try {
        handler();
        return;
    } catch (const ProgramEnd&) {
        // A nested wait saw the end request; the outer wait loop rethrows it.
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rfadjust: %s handler failed: %s\n", what, e.what());
    } catch (...) {
        std::fprintf(stderr, "rfadjust: %s handler failed with an unknown exception\n", what);
    }
    platform.requestEnd();
}

}  // namespace rf::platform::qt
