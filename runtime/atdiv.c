#include "signdiv.h"

extern unsigned short long __ltdiv(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFh with the dividend's sign). */
SIGNED_QUOTIENT(__atdiv, short long, unsigned short long, __ltdiv)
