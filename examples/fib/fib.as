; The first twelve Fibonacci numbers (8 bits), written to the array _fib in
; banked RAM; then the program stops on a branch to itself.
	processor 18F452
	FNCONF	rparam,??,?

	psect	bss,class=RAM,space=1
	global	_fib
_fib:	ds	12

	psect	rbss,class=COMRAM,space=1
_a:	ds	1
_b:	ds	1
_n:	ds	1

	psect	text,class=CODE,delta=1,reloc=2
	global	_main
_main:
	lfsr	0, _fib		; FSR0 walks the array
	clrf	_a, c		; a = 0
	movlw	1
	movwf	_b, c		; b = 1
	movlw	12
	movwf	_n, c
next:
	movf	_a, w, c
	movwf	postinc0, c	; fib[i] = a
	addwf	_b, w, c	; w = a + b
	movff	_b, _a		; a = b
	movwf	_b, c		; b = a + b
	decfsz	_n, f, c
	bra	next
	bra	$

postinc0	equ	0FEEh
