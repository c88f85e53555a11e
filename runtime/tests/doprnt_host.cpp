// doprnt.c and the digits it uses (ftoa.c, bignum.c), compiled by the host
// with the target's widths in the configuration DOPRNT_CONFIG (see
// doprnt_host.h).
#include "runtime/tests/doprnt_host.h"

#include <cstdarg>
#include <cstddef>

#undef va_arg
#define va_arg(ap, T) ((T)__builtin_va_arg(ap, target::promoted<T>))
#define DP_DOUBLE uint32_t

#if DOPRNT_CONFIG == DOPRNT_FULL32
#define DOPRNT_NAMESPACE doprnt_full32
#define DP_DOUBLE_SHIFT 0
#elif DOPRNT_CONFIG == DOPRNT_FULL24
#define DOPRNT_NAMESPACE doprnt_full24
#define DP_DOUBLE_SHIFT 8
#elif DOPRNT_CONFIG == DOPRNT_DECIMAL
#define DOPRNT_NAMESPACE doprnt_decimal
#define DP_DOUBLE_SHIFT 0
#define PRINTF
#define CUSTOM_PRINTF
#define TEN
#elif DOPRNT_CONFIG == DOPRNT_STRINGS
#define DOPRNT_NAMESPACE doprnt_strings
#define DP_DOUBLE_SHIFT 0
#define SPRINTF
#define CUSTOM_PRINTF
#define STRING
#define CHAR
#define WIDTH
#define LEFT
#elif DOPRNT_CONFIG == DOPRNT_FIXED
#define DOPRNT_NAMESPACE doprnt_fixed
#define DP_DOUBLE_SHIFT 8
#define PRINTF
#define CUSTOM_PRINTF
#define FFMT
#define PRECISION
#endif

namespace DOPRNT_NAMESPACE {
using namespace target;
#include "library/decimal.h"
#include "library/bignum.c"
#include "library/ftoa.c"
#include "library/doprnt.c"
}  // namespace DOPRNT_NAMESPACE
