#include "signdiv.h"

extern unsigned int __lwdiv(unsigned int dividend, unsigned int divisor);

/* Signed word quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFh with the dividend's sign). */
SIGNED_QUOTIENT(__awdiv, int, unsigned int, __lwdiv)
