// doprnt.c on the host: the configurations doprnt_host.cpp compiles it in,
// each in a namespace of its own with its own feature macros, and the
// target's va_arg there (an int argument of the target arrives as a host
// int, a double as its bit pattern in a uint32_t).
#pragma once
#include <cstdint>

#include "runtime/tests/host_types.h"

namespace target {

template <class T>
struct promote {
  using type = T;
};
template <>
struct promote<t_s16> {
  using type = int;
};
template <>
struct promote<t_u16> {
  using type = int;
};
template <class T>
using promoted = typename promote<T>::type;

}  // namespace target

// Every feature, 32-bit doubles.
#define DOPRNT_FULL32 0
// Every feature, 24-bit doubles.
#define DOPRNT_FULL24 1
// What the driver defines for a program whose only format is "%d\n" through
// printf.
#define DOPRNT_DECIMAL 2
// Strings, characters, widths and left-justifying through sprintf alone:
// no putch is linked.
#define DOPRNT_STRINGS 3
// %.Nf through printf, 24-bit doubles.
#define DOPRNT_FIXED 4

#define DOPRNT_ENTRY_POINTS(ns)                                                                 \
  namespace ns {                                                                                \
  target::t_s16 printf(const char *format, ...);                                                \
  target::t_s16 sprintf(char *s, const char *format, ...);                                      \
  target::t_s16 vsprintf(char *s, const char *format, va_list ap);                              \
  void putch(char c);                                                                           \
  }

#include <cstdarg>
DOPRNT_ENTRY_POINTS(doprnt_full32)
DOPRNT_ENTRY_POINTS(doprnt_full24)
DOPRNT_ENTRY_POINTS(doprnt_decimal)
DOPRNT_ENTRY_POINTS(doprnt_strings)
DOPRNT_ENTRY_POINTS(doprnt_fixed)
