/* Structures: a table of moving objects, each stepped by its velocity,
   bounced off the walls, and the nearest pair to a point found through
   pointers, as a small game or a tracker keeps its objects.
   RESULTS: pos_sum:2 bounces:1 nearest:1 energy:4 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef short s16;
typedef unsigned short u16;
typedef unsigned int u32;
#else
typedef int s16;
typedef unsigned int u16;
typedef unsigned long u32;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;
typedef signed char s8;

volatile u16 pos_sum;
volatile u8 bounces, nearest;
volatile u32 energy;

struct point {
	s16 x, y;
};

struct object {
	u8 id;
	struct point pos;
	s8 dx, dy;
	u8 flags;
};

#define OBJECTS 10
struct object objs[OBJECTS];

u8 step(struct object *o)
{
	u8 hit = 0;

	o->pos.x += o->dx;
	o->pos.y += o->dy;
	if (o->pos.x < 0 || o->pos.x > 1000) {
		o->dx = (s8)-o->dx;
		o->pos.x += 2 * o->dx;
		hit++;
	}
	if (o->pos.y < 0 || o->pos.y > 600) {
		o->dy = (s8)-o->dy;
		o->pos.y += 2 * o->dy;
		hit++;
	}
	o->flags |= hit;
	return hit;
}

u16 distance(const struct point *a, const struct point *b)
{
	s16 dx = a->x - b->x, dy = a->y - b->y;

	if (dx < 0)
		dx = -dx;
	if (dy < 0)
		dy = -dy;
	return (u16)(dx + dy);
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 i, t, hits = 0, best = 0;
	u16 s = 0, d, dmin = 0xFFFF;
	u32 e = 0;
	struct point centre;
	struct object *o;

	for (i = 0; i < OBJECTS; i++) {
		objs[i].id = i;
		objs[i].pos.x = (s16)(i * 97);
		objs[i].pos.y = (s16)(i * 53 + 10);
		objs[i].dx = (s8)(i * 3 - 13);
		objs[i].dy = (s8)(7 - i * 2);
		objs[i].flags = 0;
	}
	for (t = 0; t < 40; t++)
		for (o = objs; o != objs + OBJECTS; o++)
			hits += step(o);
	centre.x = 500;
	centre.y = 300;
	for (i = 0; i < OBJECTS; i++) {
		o = &objs[i];
		s += (u16)(o->pos.x + o->pos.y);
		e += (u32)(o->dx * o->dx + o->dy * o->dy) * (o->flags + 1);
		d = distance(&o->pos, &centre);
		if (d < dmin) {
			dmin = d;
			best = o->id;
		}
	}
	pos_sum = s;
	bounces = hits;
	nearest = best;
	energy = e;
#ifdef HOST_CHECK
	printf("pos_sum=%u\nbounces=%u\nnearest=%u\nenergy=%u\n", pos_sum, bounces, nearest, energy);
	return 0;
#else
	bench_done();
#endif
}
