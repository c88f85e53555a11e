#include <setjmp.h>

/* The registers and return stack entry of the setjmp call being saved or
   returned to, in the order of jmp_buf: STKPTR, TOSL, TOSH, TOSU, FSR0L,
   FSR0H, FSR1L, FSR1H, FSR2L, FSR2H, TBLPTRL, TBLPTRH, TBLPTRU, PRODL,
   PRODH, BSR. Only assembly writes it, so it is volatile to C. */
volatile unsigned char __jmp_regs[sizeof(jmp_buf)];
volatile int __jmp_value;

int setjmp(jmp_buf env)
{
	unsigned char k;

	/* Before any C code changes them. */
#asm
	movff	stkptr, ___jmp_regs
	movff	tosl, ___jmp_regs+1
	movff	tosh, ___jmp_regs+2
	movff	tosu, ___jmp_regs+3
	movff	fsr0l, ___jmp_regs+4
	movff	fsr0h, ___jmp_regs+5
	movff	fsr1l, ___jmp_regs+6
	movff	fsr1h, ___jmp_regs+7
	movff	fsr2l, ___jmp_regs+8
	movff	fsr2h, ___jmp_regs+9
	movff	tblptrl, ___jmp_regs+10
	movff	tblptrh, ___jmp_regs+11
	movff	tblptru, ___jmp_regs+12
	movff	prodl, ___jmp_regs+13
	movff	prodh, ___jmp_regs+14
	movff	bsr, ___jmp_regs+15
#endasm
	for (k = 0; k != sizeof(jmp_buf); k++)
		env[k] = __jmp_regs[k];
	/* Read back, so that no caller takes the result for a constant. */
	__jmp_value = 0;
	return __jmp_value;
}

void longjmp(jmp_buf env, int value)
{
	unsigned char k;

	for (k = 0; k != sizeof(jmp_buf); k++)
		__jmp_regs[k] = env[k];
	__jmp_value = value ? value : 1;
	/* The return stack back to the setjmp call, its return address on top
	   (no movff may write TOS), the registers as they were, setjmp's result
	   where its caller reads it, and the return from setjmp. */
#asm
	movff	___jmp_regs, stkptr
	movff	___jmp_regs+1, wreg
	movwf	tosl, c
	movff	___jmp_regs+2, wreg
	movwf	tosh, c
	movff	___jmp_regs+3, wreg
	movwf	tosu, c
	movff	___jmp_regs+4, fsr0l
	movff	___jmp_regs+5, fsr0h
	movff	___jmp_regs+6, fsr1l
	movff	___jmp_regs+7, fsr1h
	movff	___jmp_regs+8, fsr2l
	movff	___jmp_regs+9, fsr2h
	movff	___jmp_regs+10, tblptrl
	movff	___jmp_regs+11, tblptrh
	movff	___jmp_regs+12, tblptru
	movff	___jmp_regs+13, prodl
	movff	___jmp_regs+14, prodh
	movff	___jmp_value, ?_setjmp
	movff	___jmp_value+1, ?_setjmp+1
	movff	___jmp_regs+15, bsr
	return
#endasm
}
