/* setjmp(env) saves where it was called from: the return stack pointer and
   its top entry, and the registers a function may keep a variable in across
   a call (FSR0 to FSR2, TBLPTR, PROD, BSR). longjmp(env, v) returns from
   that setjmp call again, with v (1 for 0), as long as the function that
   called setjmp has not returned. Autos live in static areas, so one that
   is not volatile and was changed after setjmp holds what it last held;
   C leaves its value indeterminate. setjmp and longjmp are for one
   interrupt level: a jump from an interrupt into main's code is not one. */
#ifndef _SETJMP_H_
#define _SETJMP_H_

typedef unsigned char jmp_buf[16];

extern int setjmp(jmp_buf env);
extern void longjmp(jmp_buf env, int value);

#endif
