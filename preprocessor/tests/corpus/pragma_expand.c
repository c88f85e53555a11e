/* #pragma lines are macro-expanded. */
#define LEVEL 2
#pragma interrupt_level LEVEL
x
