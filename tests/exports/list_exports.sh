#!/bin/sh
# Prints the demangled, sorted export set of the built library, one symbol per
# line, in a form that is the same for libutil.so and util.dll. Instantiations of
# standard-library templates are left out: libstdc++ gives them default visibility
# on Linux, and they are not part of the interface.
# Usage: list_exports.sh LIBRARY [OBJDUMP]   (OBJDUMP given: a DLL's export table)
set -eu
library=$1
if [ $# -ge 2 ]; then
  "$2" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
else
  nm -D --defined-only "$library" | awk '{print $3}'
fi | c++filt |
  grep -v -E '^(_init|_fini|_edata|_end|__bss_start|DllMain(@12)?|DllEntryPoint(@12)?)$' |
  grep -v -E '^([A-Za-z_][A-Za-z_0-9 ]* )?(std|__gnu_cxx|__cxxabiv1)::' |
  grep -v -E '^(typeinfo|typeinfo name|vtable) for (std|__gnu_cxx|__cxxabiv1)::' |
  grep -v -E '^typeinfo name for |^(typeinfo|vtable) for .*(std|__gnu_cxx)::' |
  sed -e 's/__va_list_tag\*/char*/g' -e 's/_IO_FILE\*/FILE*/g' -e 's/_iobuf\*/FILE*/g' |
  sort -u
