	global	_main,_helper,_ext,__Lparam
	global	_alias
_alias	equ	_ext+2
__Lparam	equ	__Lrparam
count	equ	3
	psect	text0,class=CODE,space=0,reloc=2
	file	"main.c"
	line	10
_main:
	call	_helper
	line	11
	movlw	count
	goto	_ext
	psect	text1,class=CODE,space=0,reloc=2
	line	20
_helper:
	movff	?_helper,_main@x
	return
_static:
	return
_main@x	equ	??_main+1
	psect	rbit,class=COMRAM,bit,space=1
_flag:	ds	3
	psect	bss,class=RAM,space=1,size=100h,limit=200h
	align	2
_buf:	ds	10
	signat	_main,8312
	signat	_static,4217
	FNCONF	rparam,??,?
	FNSIZE	_main,2,0
	FNSIZE	_static,1,1
	FNCALL	_main,_helper
	FNCALL	_main,_static
	FNROOT	_main
	FNBREAK	_isr,intlevel2
	FNALIGN	_a,_b
	FNALIGN	_b,_c
	FNALIGN	_d,_e
	DABS	1,256,2
	end	_main
