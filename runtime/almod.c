#include "signdiv.h"

extern unsigned long __llmod(unsigned long dividend, unsigned long divisor);

/* Signed long remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
SIGNED_REMAINDER(__almod, long, unsigned long, __llmod)
