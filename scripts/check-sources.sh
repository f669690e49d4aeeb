#!/bin/sh
# Portable code includes no OS header and has no _WIN32 conditional: those belong
# in *_win.cpp / *_posix.cpp / *_linux.cpp and in platform/win_include.h only.
# The export macro header is the one exception for _WIN32.
set -u
root=${1:-.}
cd "$root" || exit 2
status=0
headers='windows\.h|winsock2?\.h|ws2tcpip\.h|winioctl\.h|iphlpapi\.h|snmp\.h|dbghelp\.h|shellapi\.h|unistd\.h|pthread\.h|sys/[a-z_]+\.h|netinet/[a-z_]+\.h|arpa/inet\.h|dlfcn\.h|fcntl\.h|linux/[a-z_]+\.h|scsi/[a-z_]+\.h|spawn\.h|syslog\.h|X11/[A-Za-z_]+\.h|netdb\.h|poll\.h|signal\.h|direct\.h|io\.h|process\.h'
for file in $(find common tools tests bench fuzz -name '*.cpp' -o -name '*.h' | sort); do
  case "$file" in
    *_win.cpp|*_posix.cpp|*_linux.cpp|*/platform/win_include.h) continue ;;
  esac
  if grep -n -E "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($headers)[>\"]" "$file"; then
    echo "  ^ $file: OS header outside a platform file"
    status=1
  fi
  case "$file" in */platform/export.h) continue ;; esac
  if grep -n -E '^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*_WIN32' "$file"; then
    echo "  ^ $file: _WIN32 conditional outside a platform file"
    status=1
  fi
done
[ $status = 0 ] && echo "source rules: ok"
exit $status
