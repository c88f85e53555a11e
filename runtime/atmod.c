#include "signdiv.h"

extern unsigned short long __ltmod(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit remainder, with the dividend's sign. Dividing by zero
 * gives the dividend. */
SIGNED_REMAINDER(__atmod, short long, unsigned short long, __ltmod)
