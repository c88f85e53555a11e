/* assert(e): when e is false, the program writes the file, the line and the
   text of e through its putch:

	main.c: 19: assertion failed: x == 4

   and then stops there for good (interrupts still run). assert is a void
   expression, so it may stand wherever one may (in a comma expression, an
   arm of ?:). With NDEBUG defined where this header is included, assert is
   ((void)0) and e is not evaluated. Each inclusion reads NDEBUG anew. */
#undef assert
#ifdef NDEBUG
#define assert(e) ((void)0)
#else
extern void __assert_fail(const char *expression, const char *file, unsigned int line);
#define assert(e) ((e) ? (void)0 : __assert_fail(#e, __FILE__, __LINE__))
#endif
