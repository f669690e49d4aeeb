// util: the client's shared utility library. Including this header gives every
// public class and function of the library.
#ifndef UTIL_UTIL_H
#define UTIL_UTIL_H

// Logging and diagnostics
#include "log/file_log.h"

// Synchronisation and threads

// Containers

// Configuration

// System and process utilities

// Machine identity

// Network information

// Packet capture log

// Function-call tracing
#include "trace/function_call_tracer.h"
#include "trace/viewer_script.h"

#endif
