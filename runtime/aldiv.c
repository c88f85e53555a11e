#include "signdiv.h"

extern unsigned long __lldiv(unsigned long dividend, unsigned long divisor);

/* Signed long quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFFFh with the dividend's sign). */
SIGNED_QUOTIENT(__aldiv, long, unsigned long, __lldiv)
