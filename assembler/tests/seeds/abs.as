	psect	code,abs
	org	0
	bra	$+2
	bz	$-4
	movlw	low highword(12345h)
	lfsr	2,0FFFh
	tblrd	*+
	fcf	-1.25
a	equ	b+1
b	set	3
	db	(a*2)>>1,~3
	end
