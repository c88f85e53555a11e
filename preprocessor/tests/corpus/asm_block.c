/* #asm blocks. */
#define REG 0x20
x;
#asm
	movwf REG
#endasm
y;
