// util: the client's shared utility library. Including this header gives every
// public class and function of the library.
#ifndef UTIL_UTIL_H
#define UTIL_UTIL_H

#include "version.h"

// Logging and diagnostics
#include "log/file_log.h"
#include "log/debug_print.h"
#include "log/last_error.h"

// Synchronisation and threads
#include "sync/critical_section.h"
#include "sync/shared_object.h"
#include "sync/synchronizer.h"
#include "sync/zn_thread.h"

// Containers
#include "containers/hash_table.h"
#include "containers/fifo.h"

// Configuration
#include "config/config_store.h"
#include "config/ini_reader.h"

// System and process utilities
#include "system/process_launch.h"
#include "system/os_version.h"
#include "system/pf_timer.h"

// Machine identity
#include "identity/computer_id.h"

// Network information
#include "netinfo/snmp_lookup.h"

// Packet capture log
#include "pcap/packet_log.h"

// Function-call tracing
#include "trace/function_call_tracer.h"
#include "trace/viewer_script.h"

#endif
