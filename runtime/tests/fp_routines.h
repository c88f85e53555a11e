// The floating-point routines compiled by the host, in namespace target.
// They are read with int as the target's 16-bit short, so none of them may
// include a standard header.
#pragma once
#include <cstdint>

namespace target {
#define FPCORE_TYPES
typedef uint32_t __fp24;  // values stay below 2^24: the routines never rely on 24-bit wrap-around
typedef uint32_t __fp32;
typedef int32_t __fps32;
// The routines' float and double are their patterns here.
typedef uint32_t __ft;
typedef uint32_t __fl;
#define FT_BITS(x) (x)
#define FL_BITS(x) (x)
#define int short
#include "runtime/fpcore.h"
#include "runtime/fpround.c"
#include "runtime/fpadd.c"
#include "runtime/fpmul.c"
#include "runtime/fpdiv.c"
#include "runtime/fpge.c"
#include "runtime/fptol.c"
#include "runtime/fladd.c"
#include "runtime/flsub.c"
#include "runtime/flmul.c"
#include "runtime/fldiv.c"
#include "runtime/flneg.c"
#include "runtime/flge.c"
#include "runtime/fltol.c"
#include "runtime/lbtofl.c"
#include "runtime/abtofl.c"
#include "runtime/lwtofl.c"
#include "runtime/awtofl.c"
#include "runtime/lltofl.c"
#include "runtime/altofl.c"
#include "runtime/ftadd.c"
#include "runtime/ftsub.c"
#include "runtime/ftmul.c"
#include "runtime/ftdiv.c"
#include "runtime/ftneg.c"
#include "runtime/ftge.c"
#include "runtime/fttol.c"
#include "runtime/lbtoft.c"
#include "runtime/abtoft.c"
#include "runtime/lwtoft.c"
#include "runtime/awtoft.c"
#include "runtime/lltoft.c"
#include "runtime/altoft.c"
#include "runtime/asfladd.c"
#include "runtime/asflsub.c"
#include "runtime/asflmul.c"
#include "runtime/asfldiv.c"
#include "runtime/asftadd.c"
#include "runtime/asftsub.c"
#include "runtime/asftmul.c"
#include "runtime/asftdiv.c"
#undef int
}  // namespace target
