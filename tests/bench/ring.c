/* A ring buffer of 16 bytes between a producer and a consumer that run at
   different rates, as a serial driver queues received bytes; overflows are
   counted and the bytes taken out are summed.
   RESULTS: taken:2 dropped:1 out_sum:2 high_water:1 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef unsigned short u16;
#else
typedef unsigned int u16;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;

#define RING_SIZE 16

volatile u16 taken, out_sum;
volatile u8 dropped, high_water;

struct ring {
	u8 head, tail, count;
	u8 data[RING_SIZE];
};

struct ring rx;

u8 ring_put(struct ring *r, u8 v)
{
	if (r->count == RING_SIZE)
		return 0;
	r->data[r->head] = v;
	r->head = (u8)((r->head + 1) & (RING_SIZE - 1));
	r->count++;
	return 1;
}

/* The next byte, or -1 when the ring is empty. */
int ring_get(struct ring *r)
{
	u8 v;

	if (r->count == 0)
		return -1;
	v = r->data[r->tail];
	r->tail = (u8)((r->tail + 1) & (RING_SIZE - 1));
	r->count--;
	return v;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 t, k, lost = 0, top = 0, seed = 7;
	u16 n = 0, s = 0;
	int v;

	for (t = 0; t < 200; t++) {
		/* Bursts in: up to three bytes a tick. */
		for (k = (u8)(t % 4); k != 0; k--) {
			seed = (u8)(seed * 5 + 3);
			if (!ring_put(&rx, seed))
				lost++;
		}
		if (rx.count > top)
			top = rx.count;
		/* Out: one byte a tick, two on every third. */
		for (k = (t % 3 == 0) ? 2 : 1; k != 0; k--) {
			v = ring_get(&rx);
			if (v < 0)
				break;
			n++;
			s += (u16)v;
		}
	}
	taken = n;
	dropped = lost;
	out_sum = s;
	high_water = top;
#ifdef HOST_CHECK
	printf("taken=%u\ndropped=%u\nout_sum=%u\nhigh_water=%u\n", taken, dropped, out_sum, high_water);
	return 0;
#else
	bench_done();
#endif
}
