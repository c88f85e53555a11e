/* Assembly outside any function: a routine in a psect of its own, made
   global by a one-line asm statement, called from C. */
extern unsigned char seven(void);
asm("\tGLOBAL\t_seven");
#asm
	psect	asmtext,class=CODE,space=0,reloc=2,delta=1
_seven:
	retlw	7
#endasm
volatile unsigned char r;

void main(void)
{
	r = seven() + 1;
	for (;;) continue;
}
