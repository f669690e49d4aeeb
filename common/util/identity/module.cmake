# Machine identity: the hard-disk computer identifier and its drive readers.
# The text conversions, the store and arithmetic, and the four Windows readers
# (written over a device interface) are portable; only the devices are per OS.
list(APPEND UTIL_SOURCES
  common/util/identity/computer_id.cpp
  common/util/identity/drive_store.cpp
  common/util/identity/drive_text.cpp
  common/util/identity/device_readers.cpp)
list(APPEND UTIL_WIN_SOURCES common/util/identity/drive_devices_win.cpp)
list(APPEND UTIL_POSIX_SOURCES
  common/util/identity/ata_identify_linux.cpp
  common/util/identity/sysfs_disks_linux.cpp)
# user32: MessageBoxA, shown by the legacy drive reader when its driver is missing.
list(APPEND UTIL_WIN_LIBS user32)
