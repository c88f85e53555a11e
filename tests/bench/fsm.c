/* A frame parser as a state machine: start byte 7Eh, a length, that many
   payload bytes and a sum; it counts good and bad frames in a stream.
   RESULTS: good_frames:1 bad_frames:1 payload_sum:2 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile unsigned char good_frames, bad_frames;
volatile unsigned int payload_sum;

enum state { WAIT_START, LENGTH, PAYLOAD, CHECK };

const unsigned char stream[] = {
	0x7E, 3, 1, 2, 3, 6,
	0x00, 0x7E, 2, 0x10, 0x20, 0x30,
	0x7E, 0, 0,
	0x55, 0x7E, 4, 9, 8, 7, 6, 30,
	0x7E, 1, 0xFF, 0xFE,
};

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	enum state s = WAIT_START;
	unsigned char i, b, left = 0, sum = 0;
	unsigned int frame_sum = 0;

	for (i = 0; i < sizeof stream; i++) {
		b = stream[i];
		switch (s) {
		case WAIT_START:
			if (b == 0x7E)
				s = LENGTH;
			break;
		case LENGTH:
			left = b;
			sum = 0;
			frame_sum = 0;
			s = left ? PAYLOAD : CHECK;
			break;
		case PAYLOAD:
			sum += b;
			frame_sum += b;
			if (--left == 0)
				s = CHECK;
			break;
		case CHECK:
			if (b == sum) {
				good_frames++;
				payload_sum += frame_sum;
			} else {
				bad_frames++;
			}
			s = WAIT_START;
			break;
		}
	}
#ifdef HOST_CHECK
	printf("good_frames=%u\nbad_frames=%u\npayload_sum=%u\n", good_frames, bad_frames, payload_sum);
	return 0;
#else
	bench_done();
#endif
}
