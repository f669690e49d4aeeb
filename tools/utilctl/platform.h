// What utilctl says about the platform it was built for.
#ifndef UTILCTL_PLATFORM_H
#define UTILCTL_PLATFORM_H

namespace utilctl {

/// "Windows (32-bit)", "Windows (64-bit)" or "Linux (64-bit)" and the like.
const char* platformName();

}  // namespace utilctl

#endif
