/* Calls several deep, byte results in W, and returns from the middle of
   a function. */
volatile unsigned char b1, b2, b3, steps;
unsigned char g;

void step(void)
{
	if (g > 5)
		return;
	steps++;
}
unsigned char next(void)
{
	step();
	if (g == 3)
		return 100;
	return g + 1;
}
unsigned char after_next(void) { return next() + 10; }

void main(void)
{
	g = 2;
	b1 = next();
	g = 3;
	b2 = after_next();
	g = 9;
	b3 = after_next();
	step();
	for (;;) continue;
}
