// util: the client's shared utility library. Including this header gives every
// public class and function of the library.
#ifndef UTIL_UTIL_H
#define UTIL_UTIL_H

// Logging and diagnostics
#include "log/file_log.h"
#include "log/debug_print.h"
#include "log/last_error.h"

// Synchronisation and threads

// Containers

// Configuration

// System and process utilities
#include "system/process_launch.h"
#include "system/os_version.h"
#include "system/pf_timer.h"

// Machine identity

// Network information

// Packet capture log

// Function-call tracing

#endif
