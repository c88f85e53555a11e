/* tovra18.h: the special function registers of the chip compiled for.
 *
 * The driver defines _<chip> (for --chip=18F452: _18F452), and this header
 * includes that chip's header, tovra18_<chip>.h, which the build writes
 * from the chip database. A chip the database does not know stops the
 * compilation with an error.
 *
 * Each register is an object at its absolute address; a register pair that
 * holds a 16-bit value is also one unsigned int over both bytes:
 *
 *     volatile unsigned char PORTB @ 0xF81;
 *     volatile unsigned int TMR1 @ 0xFCE;        TMR1L, with TMR1H above it
 *
 * The bits of a register are bit objects at their bit address, the
 * register's address times 8 plus the bit's number, under every name the
 * data sheet gives the bit:
 *
 *     volatile bit RB0 @ (0xF81 * 8 + 0);        RB0 = 1; if (RB7) ...
 *
 * A bit name that two registers of the chip share, that is also a
 * register's name, or of a single letter, is given with its register's
 * name before it: T1CON_RD16, STATUS_C.
 *
 * Each register with named bits also has a structure at its address with
 * one member per bit, under the bit's first name, and one per field of
 * several bits, so the names stay the data sheet's without the prefix:
 *
 *     volatile struct {
 *         unsigned T0PS : 3;  unsigned PSA : 1;  ...
 *     } T0CONbits @ 0xFD5;                       T0CONbits.T0PS = 4;
 */
#ifndef TOVRA18_H
#define TOVRA18_H

#include <tovra18_chips.h>

/* In-line delays, code in place of a call: __delay(c) spends exactly c
   instruction cycles, c a constant; __delay3(n) spends 3 n cycles (768
   for 0), n any unsigned char. */
#pragma inline(__delay)
#pragma inline(__delay3)
extern void __delay(unsigned long cycles);
extern void __delay3(unsigned char n);

#endif
