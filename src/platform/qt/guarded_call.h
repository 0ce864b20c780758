#pragma once

#include <functional>

#include "platform/platform.h"

namespace rf::platform::qt {

// Runs a handler called from Qt's signal dispatch. Qt is not built to carry
// exceptions through its event loop, so nothing may leave the handler: an
// exception that escapes is reported on stderr and ends the program through
// `platform.requestEnd()`, which the wait loop that runs doEvents() turns into
// ProgramEnd once the dispatch is over.
void guardedCall(Platform& platform, const char* what, const std::function<void()>& handler);

}  // namespace rf::platform::qt
