#include "signdiv.h"

extern unsigned int __lwmod(unsigned int dividend, unsigned int divisor);

/* Signed word remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
SIGNED_REMAINDER(__awmod, int, unsigned int, __lwmod)
