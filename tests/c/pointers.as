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
	global	?_ops
?_ops	equ	?_thrice
	FNALIGN	_thrice,_twice
	global	?_op
?_op	equ	?_thrice
	FNALIGN	_thrice,_twice
__wmul@product	equ	??___wmul+0
	global	__wmul@product
__wmul@multiplier	equ	?___wmul+0
	global	__wmul@multiplier
__wmul@multiplicand	equ	?___wmul+2
	global	__wmul@multiplicand
set@q	equ	?_set+0
	global	set@q
set@x	equ	?_set+2
	global	set@x
set@y	equ	?_set+3
	global	set@y
step@q	equ	?_step+0
	global	step@q
twice@v	equ	?_twice+0
	global	twice@v
thrice@v	equ	?_thrice+0
	global	thrice@v
;Data sizes: Strings 0, constant 4, data 0, bss 0, persistent 0 stack 22
	global	_main
	global	??_main
	global	?_main
	file	"pointers.c"
	line	22
	__size_of_main	equ	__end_of_main-_main
	opt stack 31
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
	line	23
_main:
	; (
	;	({call_stmt_with_args}(ID{func_id} CALLARGS{call_arguments}(..))
	line	24
	movlw	058h
	movwf	(?_set+03h),c
	movlw	02h
	movwf	(?_set+03h+1),c
	movlw	05h
	movwf	(?_set+02h),c
	movlw	low(_p)
	movwf	(?_set),c
	movlw	high(_p)
	movwf	(?_set+1),c
	call	_set
	; (
	;	({call_stmt_with_args}(ID{func_id} CALLARGS{call_arguments}(..))
	line	25
	movlw	low(_p)
	movwf	(?_step),c
	movlw	high(_p)
	movwf	(?_step+1),c
	call	_step
	; =
	;	={store_word_reg}(ID{ram_id_leaf,word_mem_id} +{add_words}(->{zext_w_to_word,word_opnd_from_tmp}(ID{ram_id_leaf,byte_mem_id,w_from_mem} TYPE) *U{word_at_address,word_opnd_from_mem}(+{ram_address_plus}(&U{ram_address_of}(ID{ram_name_id}) CONST{word_const_leaf,imm_from_const}))))
	line	26
	movf	(_p),c,w
	movwf	(??_main+0+0),c
	clrf	(??_main+0+1),c
	movf	(_p+01h),c,w
	addwf	(??_main+0+0),c,w
	movwf	prodl,c
	movf	(_p+01h+1),c,w
	addwfc	(??_main+0+1),c,w
	movwf	prodh,c
	movff	prodl,_r1
	movff	prodh,_r1+1
	; =
	;	={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})
	line	27
	clrf	(fsr2l),c
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	line	28
	movf	(fsr2l),c,w
	sublw	03h-1
	btfsc	status,0
	goto	l1000000007
	; $U
	;	$U{goto_label}(CONST{label_number})
	goto	l1000000008
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000007:
	; (
	;	({call_stmt_with_args}(ID{func_id} CALLARGS{call_arguments}(..))
	movff	fsr2l,?___wmul+02h
	clrf	(?___wmul+02h+1),c
	movlw	0E8h
	movwf	(?___wmul),c
	movlw	03h
	movwf	(?___wmul+1),c
	call	___wmul
	movff	?___wmul,?_set+03h
	movff	?___wmul+1,?_set+03h+1
	movff	fsr2l,?_set+02h
	movlw	low(_pts)
	movwf	(??_main+0+0),c
	movlw	high(_pts)
	movwf	(??_main+0+1),c
	movf	(fsr2l),c,w
	mullw	04h
	movf	prodl,w
	movwf	(??_main+2+0),c
	clrf	(??_main+2+1),c
	btfsc	wreg,7,c
	setf	(??_main+2+1),c
	movf	(??_main+0+0),c,w
	addwf	(??_main+2+0),c,f
	movf	(??_main+0+1),c,w
	addwfc	(??_main+2+1),c,f
	movff	??_main+2+0,?_set
	movff	??_main+2+1,?_set+1
	call	_set
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} CONST{w_from_const})
	line	27
	movlw	01h
	addwf	(fsr2l),c,f
	; $
	;	${jump_if_c_set}(<{ubyte_lt_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}) CONST{label_number})
	movf	(fsr2l),c,w
	sublw	03h-1
	btfsc	status,0
	goto	l1000000007
	; :U
	;	:U{place_label}(CONST{label_number})
	line	29
l1000000008:
	; (
	;	({call_stmt_with_args}(ID{func_id} CALLARGS{call_arguments}(..))
	movlw	low(_pts+08h)
	movwf	(?_step),c
	movlw	high(_pts+08h)
	movwf	(?_step+1),c
	call	_step
	; =
	;	={store_word_reg}(ID{ram_id_leaf,word_mem_id} +{add_words}(*U{word_at_address,word_opnd_from_mem}(+{ram_address_plus}(&U{ram_address_of}(ID{ram_name_id}) CONST{word_const_leaf,imm_from_const})) ->{zext_w_to_word,word_opnd_from_tmp}(*U{byte_at_address,w_from_mem}(+{ram_address_plus}(&U{ram_address_of}(ID{ram_name_id}) CONST{word_const_leaf,imm_from_const})) TYPE)))
	line	30
	movf	(_pts+04h),c,w
	movwf	(??_main+0+0),c
	clrf	(??_main+0+1),c
	movf	(??_main+0+0),c,w
	addwf	(_pts+09h),c,w
	movwf	prodl,c
	movf	(??_main+0+1),c,w
	addwfc	(_pts+09h+1),c,w
	movwf	prodh,c
	movff	prodl,_r2
	movff	prodh,_r2+1
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} &U{addr_const_of,imm_from_address}(ID{ram_name_id}))
	line	31
	movlw	low(_twice)
	movwf	(_op),c
	movlw	high(_twice)
	movwf	(_op+1),c
	; =
	;	={store_w_byte}(ID{ram_id_leaf,byte_mem_id} ({call_byte_through_pointer_with_args}(*U{code_ptr_deref}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem}) CALLARGS{call_arguments}(..)))
	line	32
	movlw	07h
	movwf	(?_op),c
	rcall	u91
	bra	u92
u91:
	movff	_op+1,pclath
	movf	(_op),c,w
	movwf	pcl,c
u92:
	movwf	(_r3),c
	; =
	;	={store_word_const}(ID{ram_id_leaf,word_mem_id} &U{addr_const_of,imm_from_address}(ID{ram_name_id}))
	line	33
	movlw	low(_thrice)
	movwf	(_op),c
	movlw	high(_thrice)
	movwf	(_op+1),c
	; =+
	;	=+{add_mem_w}(ID{ram_id_leaf,byte_mem_id} ({call_byte_through_pointer_with_args}(*U{code_ptr_deref}(ID{ram_id_leaf,word_mem_id,word_opnd_from_mem}) CALLARGS{call_arguments}(..)))
	line	34
	movlw	07h
	movwf	(?_op),c
	rcall	u101
	bra	u102
u101:
	movff	_op+1,pclath
	movf	(_op),c,w
	movwf	pcl,c
u102:
	addwf	(_r3),c,f
	; =
	;	={store_byte_opnd}(ID{ram_id_leaf,byte_mem_id,lval_from_mem} ->{low_byte_of_opnd}(+{word_op_tmp,word_opnd_from_tmp}(->{zext_w_to_word,word_opnd_from_tmp}(({call_byte_through_pointer_with_args}(*U{code_ptr_deref}(*U{rom_word,word_opnd_from_tmp}(+{add_words,word_opnd_from_prod,rom_ptr_from_word}(&U{addr_const_of,imm_from_address,word_tmp_from_const,word_opnd_from_tmp}(ID{ram_name_id}) CONST{word_const_leaf,imm_from_const,word_tmp_from_const,word_opnd_from_tmp}))) CALLARGS{call_arguments}(..)) TYPE) ->{zext_w_to_word,word_opnd_from_tmp}(({call_byte_through_pointer_with_args}(*U{code_ptr_deref}(ID{rom_word_id,word_opnd_from_tmp}) CALLARGS{call_arguments}(..)) TYPE)) TYPE))
	line	35
	movlw	03h
	movwf	(?_ops),c
	movlw	low(_ops)
	movwf	tblptrl,c
	movlw	high(_ops)
	movwf	tblptrh,c
	
	tblrd	*+
	movff	tablat,??_main+0+0
	tblrd	*
	movff	tablat,??_main+0+1
	
	rcall	u111
	bra	u112
u111:
	movff	??_main+0+1,pclath
	movf	(??_main+0+0),c,w
	movwf	pcl,c
u112:
	movwf	(??_main+2+0),c
	clrf	(??_main+2+1),c
	movlw	04h
	movwf	(?_ops),c
	movlw	02h
	movwf	(??_main+4+0),c
	movlw	0
	movwf	(??_main+4+1),c
	movlw	low(_ops)
	movwf	(??_main+6+0),c
	movlw	high(_ops)
	movwf	(??_main+6+1),c
	movf	(??_main+4+0),c,w
	addwf	(??_main+6+0),c,w
	movwf	prodl,c
	movf	(??_main+4+1),c,w
	addwfc	(??_main+6+1),c,w
	movwf	prodh,c
	movff	prodl,tblptrl
	movff	prodh,tblptrh
	tblrd	*+
	movff	tablat,??_main+8+0
	tblrd	*
	movff	tablat,??_main+8+1
	
	rcall	u121
	bra	u122
u121:
	movff	??_main+8+1,pclath
	movf	(??_main+8+0),c,w
	movwf	pcl,c
u122:
	movwf	(??_main+10+0),c
	clrf	(??_main+10+1),c
	movf	(??_main+2+0),c,w
	addwf	(??_main+10+0),c,w
	movwf	(??_main+12+0),c
	movf	(??_main+2+1),c,w
	addwfc	(??_main+10+1),c,w
	movwf	(??_main+12+1),c
	movff	??_main+12+0,_r4
	; :U
	;	:U{place_label}(CONST{label_number})
	line	36
l1000000010:
	; $U
	;	$U{goto_label}(CONST{label_number})
	goto	l1000000012
	; :U
	;	:U{place_label}(CONST{label_number})
	line	37
l1000000012:
	; $U
	;	$U{goto_label}(CONST{label_number})
	line	36
	goto	l1000000010
	global	start
	goto	start
	opt stack 0
GLOBAL __end_of_main
	__end_of_main:
	FNSIZE	_main,14,0
; =============== function _main ends ============

	line	37
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
	goto	l1000000014
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000015:
	; $
	;	${jump_if_z}(=={byte_eq_zero}(&{and_w_const,tmp_from_w,opnd_from_tmp}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{one_byte}) CONST{zero_byte}) CONST{label_number})
	line	8
	movf	(__wmul@multiplier),c,w
	andlw	01h
	movwf	(??___wmul+2+0),c
	movf	(??___wmul+2+0),c,f
	btfsc	status,2
	goto	l1000000017
	; =+
	;	=+{add_word_mem_in_place}(ID{ram_id_leaf,word_mem_id} ID{ram_id_leaf,word_mem_id})
	movf	(__wmul@multiplicand),c,w
	addwf	(__wmul@product),c,f
	movf	(__wmul@multiplicand+1),c,w
	addwfc	(__wmul@product+1),c,f
	; :U
	;	:U{place_label}(CONST{label_number})
	line	9
l1000000017:
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
l1000000014:
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
	goto	l1000000015
	; :U
	;	:U{place_label}(CONST{label_number})
l1000000016:
	; =
	;	={move_word_mem}(ID{ram_id_leaf,word_mem_id} ID{ram_id_leaf,word_mem_id})
	line	13
	movff	__wmul@product,?___wmul
	movff	__wmul@product+1,?___wmul+1
	; $UE
	;	$UE{goto_end_label}(CONST{label_number})
	line	12
	goto	l1000000013
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
	line	13
l1000000013:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of___wmul
	__end_of___wmul:
	FNSIZE	___wmul,4,4
; =============== function ___wmul ends ============

	signat	___wmul,8298
	global	_set
	global	??_set
	global	?_set
        psect   text2,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"pointers.c"
	line	10
	__size_of_set	equ	__end_of_set-_set
	opt stack 30
	dw	0FFFFh
	; =
	;	={move_word_mem}(REG{word_reg_node} ID{ram_id_leaf,word_mem_id})
	movff	set@q,prodl
	movff	set@q+1,prodh
	; :U
	;	:U{place_label}(ID{label_name})
	line	11
_set:
	; =
	;	={store_w_fsr}(*U{fsr_byte_deref}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer}) ID{ram_id_leaf,byte_mem_id,w_from_mem})
	movf	(set@x),c,w
	movff	prod,fsr0l
	movff	prod+1,fsr0h
	movwf	fsr0l+6
	; =
	;	={store_fsr_word}(*U{fsr_word_deref}(+{fsr_add_const}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer} CONST{word_const_leaf,imm_from_const})) ID{ram_id_leaf,word_mem_id,word_opnd_from_mem})
	line	12
	movff	prod,fsr0l
	movff	prod+1,fsr0h
	movlw	01h
	addwf	fsr0l,f
	movlw	0
	addwfc	fsr0l+1,f
	movff	set@y,fsr0l+5
	movff	set@y+1,fsr0l+4
	; =
	;	={store_w_fsr}(*U{fsr_byte_deref}(+{fsr_add_const}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer} CONST{word_const_leaf,imm_from_const})) CONST{w_from_const})
	line	13
	movff	prod,fsr0l
	movff	prod+1,fsr0h
	movlw	03h
	addwf	fsr0l,f
	movlw	0
	addwfc	fsr0l+1,f
	movlw	0FDh
	movwf	fsr0l+6
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
	line	14
l1000000002:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of_set
	__end_of_set:
	FNSIZE	_set,0,5
; =============== function _set ends ============

	signat	_set,12408
	global	_step
	global	??_step
	global	?_step
        psect   text3,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"pointers.c"
	line	15
	__size_of_step	equ	__end_of_step-_step
	opt stack 30
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
_step:
	; =+
	;	=+{fsr_word_op_in_place}(*U{fsr_word_deref}(+{fsr_add_const}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer} CONST{word_const_leaf,imm_from_const})) ->{sext_w_to_word,word_opnd_from_tmp}(*U{fsr_byte_deref,w_from_fsr}(+{fsr_add_const}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer} CONST{word_const_leaf,imm_from_const})) TYPE))
	movff	step@q,fsr0l
	movff	step@q+1,fsr0h
	movlw	03h
	addwf	fsr0l,f
	movlw	0
	addwfc	fsr0l+1,f
	movf	fsr0l+6,w
	movwf	(??_step+0+0),c
	clrf	(??_step+0+1),c
	btfsc	wreg,7,c
	setf	(??_step+0+1),c
	movff	step@q,fsr0l
	movff	step@q+1,fsr0h
	movlw	01h
	addwf	fsr0l,f
	movlw	0
	addwfc	fsr0l+1,f
	movf	(??_step+0+0),c,w
	addwf	fsr0l+5,f,c
	movf	(??_step+0+1),c,w
	addwfc	fsr0l+4,f,c
	; =+
	;	=+{add_fsr_byte_w}(*U{fsr_byte_deref}(ID{ram_id_leaf,word_mem_id,fsr_from_pointer}) CONST{w_from_const})
	movlw	01h
	movff	step@q,fsr0l
	movff	step@q+1,fsr0h
	addwf	fsr0l+6,f
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
l1000000003:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of_step
	__end_of_step:
	FNSIZE	_step,2,2
; =============== function _step ends ============

	signat	_step,4216
	global	_twice
	global	??_twice
	global	?_twice
        psect   text4,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"pointers.c"
	line	16
	__size_of_twice	equ	__end_of_twice-_twice
	opt stack 29
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
_twice:
	; )
	;	){return_byte}(*{mul_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}))
	movf	(twice@v),c,w
	mullw	02h
	movf	prodl,w
	; $UE
	;	$UE{goto_end_label}(CONST{label_number})
	goto	l1000000004
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
l1000000004:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of_twice
	__end_of_twice:
	FNSIZE	_twice,0,1
; =============== function _twice ends ============

	signat	_twice,4201
	global	_thrice
	global	??_thrice
	global	?_thrice
        psect   text5,class=CODE,space=0,reloc=2,delta=1

	opt pm
	file	"pointers.c"
	line	17
	__size_of_thrice	equ	__end_of_thrice-_thrice
	opt stack 29
	dw	0FFFFh
	; :U
	;	:U{place_label}(ID{label_name})
_thrice:
	; )
	;	){return_byte}(*{mul_w_const}(ID{ram_id_leaf,byte_mem_id,w_from_mem} CONST{byte_const_leaf}))
	movf	(thrice@v),c,w
	mullw	03h
	movf	prodl,w
	; $UE
	;	$UE{goto_end_label}(CONST{label_number})
	goto	l1000000005
	; :UE
	;	:UE{place_end_label}(CONST{label_number})
l1000000005:
	return
	dw	0FFFFh
	opt stack 0
GLOBAL __end_of_thrice
	__end_of_thrice:
	FNSIZE	_thrice,0,1
; =============== function _thrice ends ============

	signat	_thrice,4201
	FNCALL	_main,_set
	FNCALL	_main,_step
	FNCALL	_main,___wmul
	FNCALL	_main,_thrice
	FNCALL	_main,_twice
	FNROOT	_main
        psect   smallconst,class=SMALLCONST,delta=1,reloc=2
	db	0	;reserve
	global	_ops
_ops:
	; @
	;	@{init_word_address}(&U{ram_address_of}(ID{ram_name_id}))
	line	19
	dw	_twice
	; @
	;	@{init_word_address}(&U{ram_address_of}(ID{ram_name_id}))
	dw	_thrice
	global	_pts
_pts	equ	35

	DABS	1,35,12	;_pts
	global	_p
_p	equ	31

	DABS	1,31,4	;_p
	global	_op
_op	equ	29

	DABS	1,29,2	;_op
	global	_r1
_r1	equ	23

	DABS	1,23,2	;_r1
	global	_r2
_r2	equ	25

	DABS	1,25,2	;_r2
	global	_r3
_r3	equ	27

	DABS	1,27,1	;_r3
	global	_r4
_r4	equ	28

	DABS	1,28,1	;_r4
	db 0	; dummy byte at the end
	psect	intsave_regs,class=BIGRAM,space=1
	file ""
	line	0

        psect   text6,class=CODE,space=0,reloc=2,delta=1

	opt pm
fp__twice:
	file ""
	line	0

        psect   text6
fp__thrice:
	PSECT	rparam,class=COMRAM,space=1
	GLOBAL	__Lrparam
	FNCONF	rparam,??,?
	GLOBAL	__Labsbss0
__Labsbss0	EQU	23
	GLOBAL	__Habsbss0
__Habsbss0	EQU	47
GLOBAL	__Lparam, __Hparam
GLOBAL	__Lrparam, __Hrparam
__Lparam	EQU	__Lrparam
__Hparam	EQU	__Hrparam
	end
