#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Windows (32-bit)" : "Windows (64-bit)"; }

}  // namespace utilctl
