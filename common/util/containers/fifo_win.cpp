// The 32-bit Windows layout of the exported message queue: field order as the
// interface gives it, 4-byte pointers and counters. Checked in the i686 build
// only (other targets have 8-byte pointers).
#include <cstddef>

#include "containers/fifo.h"

static_assert(sizeof(void*) != 4 || sizeof(FIFO) == 56, "SharedObject + 7 fields");
static_assert(sizeof(void*) != 4 || sizeof(FIFO_MSG) == 12, "pNext, ulUser, ulSize");
static_assert(offsetof(FIFO_MSG, ulUser) == sizeof(void*) && offsetof(FIFO_MSG, ulSize) == sizeof(void*) + 4,
              "FIFO_MSG fields in order");
