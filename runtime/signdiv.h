/* Signed quotients and remainders of every width from the unsigned routine
 * of the width: the operands are made positive in place (complement and
 * increment: an assignment of the negation would go through a copy), and
 * the unsigned result takes the sign back. A quotient has the sign of both
 * operands, a remainder the dividend's. __abdiv, __abmod and kin share it. */
#ifndef SIGNDIV_H
#define SIGNDIV_H

#define SIGNED_DIVISION(name, stype, utype, unsigned_routine, divisor_sign) \
	stype name(stype dividend, stype divisor) \
	{ \
		utype a = dividend, b = divisor; \
		unsigned char negative = 0; \
		if (dividend < 0) { \
			a = ~a; \
			a++; \
			negative = 1; \
		} \
		if (divisor < 0) { \
			b = ~b; \
			b++; \
			divisor_sign; \
		} \
		a = unsigned_routine(a, b); \
		if (negative) { \
			a = ~a; \
			a++; \
		} \
		return a; \
	}

#define SIGNED_QUOTIENT(name, stype, utype, unsigned_routine) \
	SIGNED_DIVISION(name, stype, utype, unsigned_routine, negative ^= 1)
#define SIGNED_REMAINDER(name, stype, utype, unsigned_routine) \
	SIGNED_DIVISION(name, stype, utype, unsigned_routine, (void)0)

#endif
