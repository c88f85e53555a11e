/* CRC-8 (polynomial 07h) and CRC-16 (CCITT, 1021h) over a 64-byte buffer,
   one bit at a time, as a small device checks a received frame.
   RESULTS: crc8_result:1 crc16_result:2 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile unsigned char crc8_result;
volatile unsigned int crc16_result;
unsigned char buffer[64];

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

unsigned char crc8(const unsigned char *p, unsigned char n)
{
	unsigned char crc = 0, k;

	while (n != 0) {
		crc ^= *p;
		for (k = 0; k < 8; k++) {
			if (crc & 0x80)
				crc = (crc << 1) ^ 0x07;
			else
				crc <<= 1;
		}
		p++;
		n--;
	}
	return crc;
}

unsigned int crc16(const unsigned char *p, unsigned char n)
{
	unsigned int crc = 0xFFFF;
	unsigned char k;

	while (n != 0) {
		crc ^= (unsigned int)*p << 8;
		for (k = 0; k < 8; k++) {
			if (crc & 0x8000)
				crc = (crc << 1) ^ 0x1021;
			else
				crc <<= 1;
		}
		p++;
		n--;
	}
	return crc;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	unsigned char i;

	for (i = 0; i < sizeof buffer; i++)
		buffer[i] = i * 7 + 3;
	crc8_result = crc8(buffer, sizeof buffer);
	crc16_result = crc16(buffer, sizeof buffer);
#ifdef HOST_CHECK
	printf("crc8_result=%u\ncrc16_result=%u\n", crc8_result, (unsigned short)crc16_result);
	return 0;
#else
	bench_done();
#endif
}
