	processor	18F4520
porta	equ	0F80h
wreg	equ	0FE8h
	global	_main,_ext
	psect	text0,class=CODE,space=0,reloc=2
_main:
	movlw	low(_tab)
	movwf	porta
	movwf	5,c
	movwf	_x&0ffh
	decfsz	wreg,f
	call	_ext
	goto	_main
	bra	l1
	bsf	(_x),c, 3
l1:	movff	_x,_x+1
	lfsr	0,_x
	tblrd	*+
	tblrd+*
	retfie	f
	nop2
	return
	psect	data,class=RAM,space=1
_x:	ds	2
	psect	const,class=CODE
_tab:	db	1,2,low _main
	dw	_main
	fcf	1.5
	signat	_main,8312
	FNSIZE	_main,2,0
	FNCALL	_main,_ext
	FNROOT	_main
	end	_main
