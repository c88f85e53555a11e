/* Byte compares of every kind, unsigned and signed, as branches, over
   every pair of a few edge values. */
volatile unsigned char eq, ne, lt, le, gt, ge, slt, sle, sgt, sge, sgt5, uge128;
unsigned char uvals[4];
signed char svals[4];
unsigned char i, j, u, v;
signed char s, t;

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
	for (;;) continue;
}
