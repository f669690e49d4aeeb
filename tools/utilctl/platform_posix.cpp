#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Linux (32-bit)" : "Linux (64-bit)"; }

}  // namespace utilctl
