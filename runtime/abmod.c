#include "signdiv.h"

extern unsigned char __lbmod(unsigned char dividend, unsigned char divisor);

/* Signed byte remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
SIGNED_REMAINDER(__abmod, signed char, unsigned char, __lbmod)
