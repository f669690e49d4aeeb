// The viewer script's bytes come from viewer.tcl: the build writes them, as a
// list of character literals, to generated/trace/viewer_script.inc.
#include "trace/viewer_script.h"

extern const char viewer_script[] = {
#include "trace/viewer_script.inc"
    '\0'};
extern const char* const viewer_script_pointer = viewer_script;
