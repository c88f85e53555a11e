#include "signdiv.h"

extern unsigned char __lbdiv(unsigned char dividend, unsigned char divisor);

/* Signed byte quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFh with the dividend's sign). */
SIGNED_QUOTIENT(__abdiv, signed char, unsigned char, __lbdiv)
