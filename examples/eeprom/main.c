/* Data EEPROM: four bytes written one by one (the unlock sequence, then a
   wait for the write to end) and read back. */
#include <tovra18.h>

volatile unsigned char readback[4];

void ee_write(unsigned char address, unsigned char value)
{
	EEADR = address;
	EEDATA = value;
	EEPGD = 0;
	CFGS = 0;
	WREN = 1;
	GIE = 0;
	EECON2 = 0x55;
	EECON2 = 0xAA;
	WR = 1;
	while (WR)
		continue;
	WREN = 0;
}

unsigned char ee_read(unsigned char address)
{
	EEADR = address;
	EEPGD = 0;
	CFGS = 0;
	RD = 1;
	return EEDATA;
}

void main(void)
{
	unsigned char i;
	for (i = 0; i < 4; i++)
		ee_write(0x10 + i, 0xA0 + 3 * i);
	for (i = 0; i < 4; i++)
		readback[i] = ee_read(0x10 + i);
	for (;;)
		continue;
}
