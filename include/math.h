/* Mathematics over double: the 24-bit format, or IEEE single under
   --double=32. A domain error (an argument outside the function's domain)
   gives a NaN and sets errno to EDOM; a result too large for the format
   gives HUGE_VAL (an infinity) of the result's sign, and one too small a
   zero, and either sets errno to ERANGE. runtime/README.md states each
   function's accuracy. */
#ifndef _MATH_H_
#define _MATH_H_

/* The bytes of an infinity, as the library's own object. */
union __huge_val {
	struct {
		unsigned char low[sizeof(double) - 2], exp_low, sign_exp;
	} bytes;
	double value;
};
extern const union __huge_val __huge_val;

#define HUGE_VAL	(__huge_val.value)

extern double acos(double x);
extern double asin(double x);
extern double atan(double x);
extern double atan2(double y, double x);
extern double cos(double x);
extern double sin(double x);
extern double tan(double x);
extern double cosh(double x);
extern double sinh(double x);
extern double tanh(double x);
extern double exp(double x);
extern double frexp(double value, int *exp);
extern double ldexp(double x, int exp);
extern double log(double x);
extern double log10(double x);
extern double modf(double value, double *iptr);
extern double pow(double x, double y);
extern double sqrt(double x);
extern double ceil(double x);
extern double fabs(double x);
extern double floor(double x);
extern double fmod(double x, double y);

/* The reduction of sin, cos and tan: sin(x + quadrant * pi/2). */
extern double __sincos(double x, unsigned char quadrant);

#endif
