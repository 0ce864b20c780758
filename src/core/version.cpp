#include "core/version.h"

namespace rf {

const char* toolVersion() {
    return RF_VERSION;
}

}  // namespace rf
