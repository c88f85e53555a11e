/* Byte compares of every kind, unsigned and signed, as branches, over
   every pair of a few edge values; truth values compared with 0 and 1. */
volatile unsigned char eq, ne, lt, le, gt, ge, slt, sle, sgt, sge, sgt5, uge128;
unsigned char uvals[4];
signed char svals[4];
unsigned char i, j, u, v;
signed char s, t;
volatile unsigned char truth[6];
int g = -7, h = 3;
unsigned int w0 = 0;

void main(void)
{
	uvals[0] = 0; uvals[1] = 1; uvals[2] = 128; uvals[3] = 255;
	svals[0] = -128; svals[1] = -1; svals[2] = 0; svals[3] = 127;
	for (i = 0; i < 4; i++)
		for (j = 0; j < 4; j++) {
			u = uvals[i];
			v = uvals[j];
			if (u == v) eq++;
			if (u != v) ne++;
			if (u < v) lt++;
			if (u <= v) le++;
			if (u > v) gt++;
			if (u >= v) ge++;
			s = svals[i];
			t = svals[j];
			if (s < t) slt++;
			if (s <= t) sle++;
			if (s > t) sgt++;
			if (s >= t) sge++;
			if (s > 5) sgt5++;
			if (u >= 128) uge128++;
		}
	if ((unsigned)(2u || w0) != (unsigned)(-7 == g)) truth[0] = 1; else truth[0] = 2;
	if ((g < h) == 0) truth[1] = 1; else truth[1] = 2;
	if ((g > h) != 1) truth[2] = 1; else truth[2] = 2;
	truth[3] = (g == -7) == 1;
	truth[4] = (!h) == 0;
	truth[5] = ((g < 0) && (h > 0)) != 0;
	for (;;) continue;
}
