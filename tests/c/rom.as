opt subtitle "Quenlor Software Ambrite Code Generator build 4692"

	processor	18F452
porta	equ	0F80h
portb	equ	0F81h
portc	equ	0F82h
portd	equ	0F83h
porte	equ	0F84h
lata	equ	0F89h
latb	equ	0F8Ah
latc	equ	0F8Bh
latd	equ	0F8Ch
late	equ	0F8Dh
trisa	equ	0F92h
trisb	equ	0F93h
trisc	equ	0F94h
trisd	equ	0F95h
trise	equ	0F96h
pie1	equ	0F9Dh
pir1	equ	0F9Eh
ipr1	equ	0F9Fh
pie2	equ	0FA0h
pir2	equ	0FA1h
ipr2	equ	0FA2h
t3con	equ	0FB1h
tmr3l	equ	0FB2h
tmr3h	equ	0FB3h
ccp1con	equ	0FBDh
ccpr1l	equ	0FBEh
ccpr1h	equ	0FBFh
adcon1	equ	0FC1h
adcon0	equ	0FC2h
adresl	equ	0FC3h
adresh	equ	0FC4h
sspcon2	equ	0FC5h
sspcon1	equ	0FC6h
sspstat	equ	0FC7h
sspadd	equ	0FC8h
sspbuf	equ	0FC9h
t2con	equ	0FCAh
pr2	equ	0FCBh
tmr2	equ	0FCCh
t1con	equ	0FCDh
tmr1l	equ	0FCEh
tmr1h	equ	0FCFh
rcon	equ	0FD0h
wdtcon	equ	0FD1h
lvdcon	equ	0FD2h
osccon	equ	0FD3h
t0con	equ	0FD5h
tmr0l	equ	0FD6h
tmr0h	equ	0FD7h
status	equ	0FD8h
fsr2	equ	0FD9h
fsr2l	equ	0FD9h
fsr2h	equ	0FDAh
plusw2	equ	0FDBh
preinc2	equ	0FDCh
postdec2	equ	0FDDh
postinc2	equ	0FDEh
indf2	equ	0FDFh
bsr	equ	0FE0h
fsr1	equ	0FE1h
fsr1l	equ	0FE1h
fsr1h	equ	0FE2h
plusw1	equ	0FE3h
preinc1	equ	0FE4h
postdec1	equ	0FE5h
postinc1	equ	0FE6h
indf1	equ	0FE7h
wreg	equ	0FE8h
fsr0	equ	0FE9h
fsr0l	equ	0FE9h
fsr0h	equ	0FEAh
plusw0	equ	0FEBh
preinc0	equ	0FECh
postdec0	equ	0FEDh
postinc0	equ	0FEEh
indf0	equ	0FEFh
intcon3	equ	0FF0h
intcon2	equ	0FF1h
intcon	equ	0FF2h
prod	equ	0FF3h
prodl	equ	0FF3h
prodh	equ	0FF4h
tablat	equ	0FF5h
tblptr	equ	0FF6h
tblptrl	equ	0FF6h
tblptrh	equ	0FF7h
tblptru	equ	0FF8h
pcl	equ	0FF9h
pclat	equ	0FFAh
pclath	equ	0FFAh
pclatu	equ	0FFBh
stkptr	equ	0FFCh
tosl	equ	0FFDh
tosh	equ	0FFEh
tosu	equ	0FFFh
	global	__ramtop
	global	__accesstop
        psect   text0,class=CODE,space=0,reloc=2,delta=1

	opt pm
	GLOBAL	__activetblptr
__activetblptr	EQU	2
	GLOBAL	__smallconst,__Lsmallconst
__smallconst	EQU	__Lsmallconst
	GLOBAL	__mediumconst,__Lmediumconst
__mediumconst	EQU	__Lmediumconst
	GLOBAL	__Ldata
__Ldata	EQU	0
        psect   text0
main@q	equ	??_main+0
	global	main@q
__wmul@product	equ	??___wmul+0
	global	__wmul@product
__wmul@multiplier	equ	?___wmul+0
	global	__wmul@multiplier
__wmul@multiplicand	equ	?___wmul+2
	global	__wmul@multiplicand
sum_bytes@p	equ	?_sum_bytes+0
	global	sum_bytes@p
sum_bytes@n	equ	?_sum_bytes+2
	global	sum_bytes@n
;Data sizes: Strings 0, constant 28, data 0, bss 0, persistent 0 stack 19
	global	_main
	global	??_main
	global	?_main
	file	"rom.c"
	line	19
	__size_of_main	equ	__end_of_main-_main
	opt stack 31
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
	line	20
_main:
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} +{addr_const_plus,imm_from_address}(&U{ram_address_of}(ID{ram_name_id}) CONST{word_const_leaf}))
	line	21
	movlw	low(_squares+06h)
	movwf	(main@q),c
	movlw	high(_squares+06h)
	movwf	(main@q+1),c
	; =
	;	={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})
	line	22
	clrf	(_s),c
	; =
	;	={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})
	line	23
	clrf	(prodl),c
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	line	24
	movf	(prodl),c,w
	sublw	08h-1
	btfsc	status,0
	goto	l1000000006
	; $U
	;	$U{goto_label}(CONST{label_number})
	goto	l1000000007
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000006:
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} *U{rom_byte}(+{word_plus_ubyte,word_opnd_from_tmp,rom_ptr_from_word}(&U{addr_const_of,imm_from_address,word_tmp_from_const,word_opnd_from_tmp}(ID{ram_name_id}) ID{ram_id_leaf,byte_mem_id,w_from_mem})))
	movlw	low(_table)
	movwf	(??_main+2+0),c
	movlw	high(_table)
	movwf	(??_main+2+1),c
	movf	(prodl),c,w
	addwf	(??_main+2+0),c,w
	movwf	(??_main+4+0),c
	movlw	0
	addwfc	(??_main+2+1),c,w
	movwf	(??_main+4+1),c
	movff	??_main+4+0,tblptrl
	movff	??_main+4+1,tblptrh
	tblrd	*
	movf	tablat,w,c
	
	addwf	(_s),c,f
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} CONST{w_from_const})
	line	23
	movlw	01h
	addwf	(prodl),c,f
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	movf	(prodl),c,w
	sublw	08h-1
	btfsc	status,0
	goto	l1000000006
	; :U
	;	:U{place_label}(CONST{label_number})
	line	25
l1000000007:
	; =
	;	={store_byte_opnd}(ID{ram_id_leaf,byte_mem_id,lval_from_mem} ->{low_byte_of_opnd}(+{word_op_tmp,word_opnd_from_tmp}(->{zext_w_to_word,word_opnd_from_tmp}(*U{rom_byte}(+{add_words,word_opnd_from_prod,rom_ptr_from_word}(&U{addr_const_of,imm_from_address,word_tmp_from_const,word_opnd_from_tmp}(ID{ram_name_id}) CONST{word_const_leaf,imm_from_const,word_tmp_from_const,word_opnd_from_tmp})) TYPE) ->{zext_w_to_word,word_opnd_from_tmp}(({call_byte_value_with_args}(ID{func_id} CALLARGS{call_arguments}(..)) TYPE)) TYPE))
	movlw	03h
	movwf	(?_sum_bytes+02h),c
	movlw	low(_table+02h)
	movwf	(?_sum_bytes),c
	movlw	high(_table+02h)
	movwf	(?_sum_bytes+1),c
	call	_sum_bytes
	movwf	(??_main+2+0),c
	clrf	(??_main+2+1),c
	movlw	05h
	movwf	(??_main+4+0),c
	movlw	0
	movwf	(??_main+4+1),c
	movlw	low(_table)
	movwf	(??_main+5+0),c
	movlw	high(_table)
	movwf	(??_main+5+1),c
	movf	(??_main+4+0),c,w
	addwf	(??_main+5+0),c,w
	movwf	prodl,c
	movf	(??_main+4+1),c,w
	addwfc	(??_main+5+1),c,w
	movwf	prodh,c
	movff	prodl,tblptrl
	movff	prodh,tblptrh
	tblrd	*
	movf	tablat,w,c
	
	movwf	(??_main+7+0),c
	clrf	(??_main+7+1),c
	movf	(??_main+2+0),c,w
	addwf	(??_main+7+0),c,w
	movwf	(??_main+9+0),c
	movf	(??_main+2+1),c,w
	addwfc	(??_main+7+1),c,w
	movwf	(??_main+9+1),c
	movff	??_main+9+0,_t
	; =
	;	={store_w_byte}(ID{ram_id_leaf,byte_mem_id} CONST{w_from_const})
	line	26
	movlw	02Ah
	movwf	(_kk),c
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} CONST{word_const_leaf,imm_from_const})
	line	27
	movlw	0
	movwf	(_ws),c
	movlw	0
	movwf	(_ws+1),c
	; =
	;	={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})
	line	28
	clrf	(fsr2l),c
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	line	29
	movf	(fsr2l),c,w
	sublw	0Ah-1
	btfsc	status,0
	goto	l1000000009
	; $U
	;	$U{goto_label}(CONST{label_number})
	goto	l1000000010
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000009:
	; =+
	;	=+{word_op_in_place}(ID{ram_id_leaf,word_mem_id} *U{rom_word,word_opnd_from_tmp}(+{word_plus_sbyte,word_opnd_from_tmp,rom_ptr_from_word}(&U{addr_const_of,imm_from_address,word_tmp_from_const,word_opnd_from_tmp}(ID{ram_name_id}) *{mul_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}))))
	movlw	low(_squares)
	movwf	(??_main+2+0),c
	movlw	high(_squares)
	movwf	(??_main+2+1),c
	movf	(fsr2l),c,w
	mullw	02h
	movf	prodl,w
	movwf	(??_main+4+0),c
	clrf	(??_main+4+1),c
	btfsc	wreg,7,c
	setf	(??_main+4+1),c
	movf	(??_main+2+0),c,w
	addwf	(??_main+4+0),c,f
	movf	(??_main+2+1),c,w
	addwfc	(??_main+4+1),c,f
	movff	??_main+4+0,tblptrl
	movff	??_main+4+1,tblptrh
	tblrd	*+
	movff	tablat,??_main+6+0
	tblrd	*
	movff	tablat,??_main+6+1
	
	movf	(??_main+6+0),c,w
	addwf	(_ws),c,f
	movf	(??_main+6+1),c,w
	addwfc	(_ws+1),c,f
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} CONST{w_from_const})
	line	28
	movlw	01h
	addwf	(fsr2l),c,f
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	movf	(fsr2l),c,w
	sublw	0Ah-1
	btfsc	status,0
	goto	l1000000009
	; :U
	;	:U{place_label}(CONST{label_number})
	line	30
l1000000010:
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} CONST{word_const_leaf,imm_from_const})
	movlw	0EFh
	movwf	(_wb),c
	movlw	0BEh
	movwf	(_wb+1),c
	; =
	;	={store_word_reg}(ID{ram_id_leaf,word_mem_id} +{add_words}(*U{rom_word,word_opnd_from_tmp}(+{word_op_tmp,word_opnd_from_tmp,rom_ptr_from_word}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem} CONST{word_const_leaf,imm_from_const,word_tmp_from_const,word_opnd_from_tmp})) *U{rom_word,word_opnd_from_tmp}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem,rom_ptr_from_word})))
	line	31
	movff	main@q,tblptrl
	movff	main@q+1,tblptrh
	tblrd	*+
	movff	tablat,??_main+2+0
	tblrd	*
	movff	tablat,??_main+2+1
	
	movlw	04h
	movwf	(??_main+4+0),c
	movlw	0
	movwf	(??_main+4+1),c
	movf	(??_main+4+0),c,w
	addwf	(main@q),c,w
	movwf	(??_main+5+0),c
	movf	(??_main+4+1),c,w
	addwfc	(main@q+1),c,w
	movwf	(??_main+5+1),c
	movff	??_main+5+0,tblptrl
	movff	??_main+5+1,tblptrh
	tblrd	*+
	movff	tablat,??_main+7+0
	tblrd	*
	movff	tablat,??_main+7+1
	
	movf	(??_main+2+0),c,w
	addwf	(??_main+7+0),c,w
	movwf	prodl,c
	movf	(??_main+2+1),c,w
	addwfc	(??_main+7+1),c,w
	movwf	prodh,c
	movff	prodl,_wp
	movff	prodh,_wp+1
	; :U
	;	:U{place_label}(CONST{label_number})
	line	32
l1000000012:
	; $U
	;	$U{goto_label}(CONST{label_number})
	goto	l1000000014
	; :U
	;	:U{place_label}(CONST{label_number})
	line	33
l1000000014:
	; $U
	;	$U{goto_label}(CONST{label_number})
	line	32
	goto	l1000000012
	global	start
	goto	start
	opt stack 0
GLOBAL __end_of_main
	__end_of_main:
	FNSIZE	_main,11,0
; =============== function _main ends ============

	line	33
	signat	_main,88
	global	___wmul
	global	??___wmul
	global	?___wmul
        psect   text1,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"/work/main/build/plain/install/sources/wmul.c"
	line	3
	__size_of___wmul	equ	__end_of___wmul-___wmul
	opt stack 30
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
	line	4
___wmul:
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} CONST{word_const_leaf,imm_from_const})
	movlw	0
	movwf	(__wmul@product),c
	movlw	0
	movwf	(__wmul@product+1),c
	; $U
	;	$U{goto_label}(CONST{label_number})
	line	6
	goto	l1000000016
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000017:
	; $
	;	${jump_if_z}(=={byte_eq_zero}(&{and_w_const,tmp_from_w,opnd_from_tmp}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{one_byte}) CONST{zero_byte}) CONST{label_number})
	line	8
	movf	(__wmul@multiplier),c,w
	andlw	01h
	movwf	(??___wmul+2+0),c
	movf	(??___wmul+2+0),c,f
	btfsc	status,2
	goto	l1000000019
	; =+
	;	=+{add_word_mem_in_place}(ID{ram_id_leaf,word_mem_id} ID{ram_id_leaf,word_mem_id})
	movf	(__wmul@multiplicand),c,w
	addwf	(__wmul@product),c,f
	movf	(__wmul@multiplicand+1),c,w
	addwfc	(__wmul@product+1),c,f
	; :U
	;	:U{place_label}(CONST{label_number})
	line	9
l1000000019:
	; =<<
	;	=<<{shift_word_const_in_place}(ID{ram_id_leaf,word_mem_id} CONST{one_byte})
		bcf	status,0
	rlcf	(__wmul@multiplicand),c,f
	rlcf	(__wmul@multiplicand+1),c,f

	; =>>
	;	=>>{shift_word_const_in_place}(ID{ram_id_leaf,word_mem_id} CONST{one_byte})
	line	10
		bcf	status,0
	rrcf	(__wmul@multiplier+1),c,f
	rrcf	(__wmul@multiplier),c,f

	; :U
	;	:U{place_label}(CONST{label_number})
	line	12
l1000000016:
	; $
	;	${jump_unless_z}(!={word_ne_mem}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem} CONST{word_const_leaf,imm_from_const,word_tmp_from_const,word_opnd_from_tmp}) CONST{label_number})
	movlw	0
	movwf	(??___wmul+2+0),c
	movlw	0
	movwf	(??___wmul+2+1),c
	movf	(??___wmul+2+0),c,w
	xorwf	(__wmul@multiplier),c,w
	movwf	prodl,c
	movf	(??___wmul+2+1),c,w
	xorwf	(__wmul@multiplier+1),c,w
	iorwf	prodl,w,c
	btfss	status,2
	goto	l1000000017
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000018:
	; =
	;	={move_word_mem}(ID{ram_id_leaf,word_mem_id} ID{ram_id_leaf,word_mem_id})
	line	13
	movff	__wmul@product,?___wmul
	movff	__wmul@product+1,?___wmul+1
	; $UE
	;	$UE{goto_end_label}(CONST{label_number})
	line	12
	goto	l1000000015
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
	line	13
l1000000015:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of___wmul
	__end_of___wmul:
	FNSIZE	___wmul,4,4
; =============== function ___wmul ends ============

	signat	___wmul,8298
	global	_sum_bytes
	global	??_sum_bytes
	global	?_sum_bytes
        psect   text2,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"rom.c"
	line	11
	__size_of_sum_bytes	equ	__end_of_sum_bytes-_sum_bytes
	opt stack 30
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
	line	12
_sum_bytes:
	; =
	;	={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})
	clrf	(prodl),c
	; $U
	;	$U{goto_label}(CONST{label_number})
	line	14
	goto	l1000000002
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000003:
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} *U{rom_byte}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem,rom_ptr_from_word}))
	movff	sum_bytes@p,tblptrl
	movff	sum_bytes@p+1,tblptrh
	tblrd	*
	movf	tablat,w,c
	
	addwf	(prodl),c,f
	; =+
	;	=+{add_word_const_in_place}(ID{ram_id_leaf,word_mem_id} CONST{word_const_leaf,imm_from_const})
	movlw	01h
	addwf	(sum_bytes@p),c,f
	movlw	0
	addwfc	(sum_bytes@p+1),c,f
	; :U
	;	:U{place_label}(CONST{label_number})
	line	15
l1000000002:
	; $
	;	${jump_unless_z}(!={byte_ne_const}(=-{assign_op_value}(ID{ram_id_leaf,byte_mem_id,lval_from_mem} CONST{w_from_const}) CONST{all_ones_byte}) CONST{label_number})
	movlw	01h
	subwf	(sum_bytes@n),c,f
	movf	(sum_bytes@n),c,w
	xorlw	0FFh
	btfss	status,2
	goto	l1000000003
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000004:
	; )
	;	){return_byte}(ID{ram_id_leaf,byte_mem_id,w_from_mem})
	movf	(prodl),c,w
	; $UE
	;	$UE{goto_end_label}(CONST{label_number})
	goto	l1000000001
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
	line	16
l1000000001:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of_sum_bytes
	__end_of_sum_bytes:
	FNSIZE	_sum_bytes,0,3
; =============== function _sum_bytes ends ============

	signat	_sum_bytes,8297
	FNCALL	_main,_sum_bytes
	FNCALL	_main,___wmul
	FNROOT	_main
        psect   smallconst,class=SMALLCONST,delta=1,reloc=2
	db	0	;reserve
	global	_squares
_squares:
	; @
	;	@{init_word}(CONST{word_const_leaf})
	line	4
	dw	0
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	01h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	04h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	09h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	010h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	019h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	024h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	031h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	040h
	; @
	;	@{init_word}(CONST{word_const_leaf})
	dw	051h
	global	_table
_table:
	; @
	;	@{init_byte}(CONST{one_byte})
	line	3
	db	01h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	02h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	04h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	08h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	010h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	020h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	040h
	; @
	;	@{init_byte}(CONST{byte_const_leaf})
	db	080h
	global	_wb
_wb	equ	20

	DABS	1,20,2	;_wb
	global	_wp
_wp	equ	22

	DABS	1,22,2	;_wp
	global	_ws
_ws	equ	24

	DABS	1,24,2	;_ws
	global	_kk
_kk	equ	26

	DABS	1,26,1	;_kk
	global	_s
_s	equ	27

	DABS	1,27,1	;_s
	global	_t
_t	equ	28

	DABS	1,28,1	;_t
	db 0	; dummy byte at the end
	psect	intsave_regs,class=BIGRAM,space=1
	PSECT	rparam,class=COMRAM,space=1
	GLOBAL	__Lrparam
	FNCONF	rparam,??,?
	GLOBAL	__Labsbss0
__Labsbss0	EQU	20
	GLOBAL	__Habsbss0
__Habsbss0	EQU	29
GLOBAL	__Lparam, __Hparam
GLOBAL	__Lrparam, __Hrparam
__Lparam	EQU	__Lrparam
__Hparam	EQU	__Hrparam
	end
