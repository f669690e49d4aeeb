// The tracer's process-wide settings and the four switches that change two of them.
#include "trace/function_call_tracer.h"

int trace_flag = 0;
int trace_to_viewer = 0;
char viewer_title[256] = "";
unsigned short viewer_port = 8888;
int banner_flag = 0;
int out_to_console = 1;

void DbgOutToConsole() { out_to_console = 1; }
void DbgOutToDebugger() { out_to_console = 0; }
void DbgFunctionBannerOn() { banner_flag = 1; }
void DbgFunctionBannerOff() { banner_flag = 0; }
