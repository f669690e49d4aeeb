// util: the client's shared utility library. Including this header gives every
// public class and function of the library.
#ifndef UTIL_UTIL_H
#define UTIL_UTIL_H

// Logging and diagnostics
#include "log/file_log.h"

// Synchronisation and threads
#include "sync/critical_section.h"
#include "sync/shared_object.h"
#include "sync/synchronizer.h"
#include "sync/zn_thread.h"

// Containers
#include "containers/fifo.h"

// Configuration

// System and process utilities

// Machine identity

// Network information

// Packet capture log

// Function-call tracing

#endif
