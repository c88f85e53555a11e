# Values of three bytes: short longs and 24-bit floats. The same
# shapes as for words, byte by byte from the lowest; a multi-byte operand
# names its bytes through D, its byte offset, so one text serves them all.

goal tri_mem tri_const tri_imm tri_tmp tri_opnd call_tri fsr_tri

rule tri_mem_id
  goals tri_mem
  op ID
  pred TRIWORD ISRAM
  kind none
  text DN+SN

rule tri_at_address
  goals tri_mem
  op *U
  pred TRIWORD ISRAM
  left ram_address
  kind none
  text DN+L

# A volatile object read as a statement of its own: each byte is read once.
rule read_tri_for_effect
  goals stmt
  chain tri_mem
  pred TRIWORD
  kind none
  clobber wreg status
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Lmovf (~1/3L)E2L,w
  | E1Lmovf (~2/3L)E2L,w

rule tri_const_leaf
  goals tri_const
  op CONST
  kind none
  text VN

rule tri_imm_from_const
  goals tri_imm
  chain tri_const
  kind left
  text L

rule tri_opnd_from_mem
  goals tri_opnd
  chain tri_mem
  kind left
  text L

rule tri_opnd_from_tmp
  goals tri_opnd
  chain tri_tmp
  kind left
  text L

rule tri_tmp_from_const
  goals tri_tmp
  chain tri_imm
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw ~0/3L
  | E1Nmovwf (~0/3XN)E2N
  | movlw ~1/3L
  | E1Nmovwf (~1/3XN)E2N
  | movlw ~2/3L
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_op_const_tmp
  goals tri_tmp
  op + - & | ^
  pred TRIWORD
  left tri_opnd
  right tri_imm
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/3R
  | E1LONwf(~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | movlw ~1/3R
  | E1LQ2N (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | movlw ~2/3R
  | E1LQ2N (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_op_tmp
  goals tri_tmp
  op + - & | ^
  pred TRIWORD
  left tri_opnd
  right tri_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1LONwf(~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | E1Rmovf (~1/3R)E2R,w
  | E1LQ2N (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | E1Rmovf (~2/3R)E2R,w
  | E1LQ2N (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred TRIWORD NOTFLOAT
  left tri_mem
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1LONwf(~0/3L)E2L,f
  | movlw ~1/3R
  | E1LQ2N (~1/3L)E2L,f
  | movlw ~2/3R
  | E1LQ2N (~2/3L)E2L,f

rule tri_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred TRIWORD NOTFLOAT
  left tri_mem
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1LONwf(~0/3L)E2L,f
  | E1Rmovf (~1/3R)E2R,w
  | E1LQ2N (~1/3L)E2L,f
  | E1Rmovf (~2/3R)E2R,w
  | E1LQ2N (~2/3L)E2L,f

rule store_call_tri
  goals stmt
  op =
  pred TRIWORD
  left tri_mem
  right call_tri
  kind none
  code
  | movff ~0/3R,~0/3L
  | movff ~1/3R,~1/3L
  | movff ~2/3R,~2/3L

rule store_tri_const
  goals stmt
  op =
  pred TRIWORD
  left tri_mem
  right tri_imm
  kind none
  clobber wreg
  code
  | movlw ~0/3R
  | E1Lmovwf (~0/3L)E2L
  | movlw ~1/3R
  | E1Lmovwf (~1/3L)E2L
  | movlw ~2/3R
  | E1Lmovwf (~2/3L)E2L

rule store_tri
  goals stmt
  op =
  pred TRIWORD
  left tri_mem
  right tri_opnd
  kind none
  code
  | movff ~0/3R,~0/3L
  | movff ~1/3R,~1/3L
  | movff ~2/3R,~2/3L

rule call_tri_value_with_args
  goals call_tri
  op (
  pred TRIWORD
  left func_name
  right stmt
  kind none
  flags call
  code
  | call L
  text DN+?SN

rule call_tri_value
  goals call_tri
  op (
  pred TRIWORD
  left func_name
  kind none
  flags call
  code
  | call L
  text DN+?SN

rule call_tri_through_pointer_with_args
  goals call_tri
  op (
  pred TRIWORD
  left code_ptr
  right stmt
  kind none
  flags call
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | E35Lmovff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:
  text DN+?SN

rule call_tri_through_pointer
  goals call_tri
  op (
  pred TRIWORD
  left code_ptr
  kind none
  flags call
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | E35Lmovff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:
  text DN+?SN

rule tri_tmp_from_call
  goals tri_tmp
  chain call_tri
  result TEMP3
  kind xreg
  flags xreg_used
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  text XN

rule tri_fsr_deref
  goals fsr_tri
  op *U
  pred TRIWORD
  left fsr_ptr
  kind left
  text L

rule tri_tmp_from_fsr
  goals tri_tmp
  chain fsr_tri
  result TEMP3
  kind xreg
  flags xreg_used
  code
  | movff L+5,~0/3XN
  | movff L+5,~1/3XN
  | movff L+6,~2/3XN
  text XN

rule store_tri_fsr_const
  goals stmt
  op =
  pred TRIWORD
  left fsr_tri
  right tri_imm
  kind none
  clobber wreg
  code
  | movlw ~0/3R
  | movwf L+5,c
  | movlw ~1/3R
  | movwf L+5,c
  | movlw ~2/3R
  | movwf L+6,c

rule store_tri_fsr
  goals stmt
  op =
  pred TRIWORD
  left fsr_tri
  right tri_opnd
  kind none
  code
  | movff ~0/3R,L+5
  | movff ~1/3R,L+5
  | movff ~2/3R,L+6

# In place through the pair: bytes 0 and 1 through POSTINC, byte 2
# through INDF, as the stores do.
rule fsr_tri_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred TRIWORD NOTFLOAT
  left fsr_tri
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | ONwf L+5,f,c
  | movlw ~1/3R
  | Q2N L+5,f,c
  | movlw ~2/3R
  | Q2N L+6,f,c

rule fsr_tri_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred TRIWORD NOTFLOAT
  left fsr_tri
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | ONwf L+5,f,c
  | E1Rmovf (~1/3R)E2R,w
  | Q2N L+5,f,c
  | E1Rmovf (~2/3R)E2R,w
  | Q2N L+6,f,c

rule tri_rom
  goals tri_tmp
  op *U
  pred TRIWORD
  left rom_ptr
  result TEMP3
  kind xreg
  flags xreg_used
  clobber tblptr
  code
  | tblrd *+
  | movff tablat,~0/3XN
  | tblrd *+
  | movff tablat,~1/3XN
  | tblrd *+
  | movff tablat,~2/3XN
  | E10N
  text XN

rule tri_rom_id
  goals tri_tmp
  op ID
  pred TRIWORD ISCODE
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg tblptr
  code
  | movlw low(SN)
  | movwf tblptrl,c
  | movlw high(SN)
  | movwf tblptrh,c
  | E27N
  | tblrd *+
  | movff tablat,~0/3XN
  | tblrd *+
  | movff tablat,~1/3XN
  | tblrd *+
  | movff tablat,~2/3XN
  | E10N
  text XN

rule negated_tri
  goals tri_tmp
  op -U
  pred TRIWORD NOTFLOAT
  left tri_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | E1Ncomf (~0/3XN)E2N,f
  | E1Ncomf (~1/3XN)E2N,f
  | E1Ncomf (~2/3XN)E2N,f
  | E1Nincf (~0/3XN)E2N,f
  | movlw 0
  | addwfc (~1/3XN)E2N,f
  | movlw 0
  | addwfc (~2/3XN)E2N,f
  text XN

rule complement_tri
  goals tri_tmp
  op ~
  pred TRIWORD
  left tri_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | E1Ncomf (~0/3XN)E2N,f
  | E1Ncomf (~1/3XN)E2N,f
  | E1Ncomf (~2/3XN)E2N,f
  text XN

rule shift_tri_const
  goals tri_tmp
  op << >>
  pred TRIWORD
  left tri_opnd
  right byte_const
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | E24N
  text XN

rule shift_tri_const_in_place
  goals stmt
  op =<< =>>
  pred LTRIWORD
  left tri_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | E24N

rule shift_tri_by_w
  goals tri_tmp
  op << >>
  pred TRIWORD
  left tri_opnd
  right wreg_byte
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | E25N
  text XN

rule shift_tri_by_w_in_place
  goals stmt
  op =<< =>>
  pred LTRIWORD
  left tri_mem
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E25N

# An integer against zero: the bytes ORed together set Z (a float
# has two zeros).
rule tri_eq_zero
  goals z_set
  op ==
  pred LTRIWORD !LISFLOAT
  left tri_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Liorwf (~1/3L)E2L,w
  | E1Liorwf (~2/3L)E2L,w
  text status,2

rule tri_ne_zero
  goals z_clear
  op !=
  pred LTRIWORD !LISFLOAT
  left tri_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Liorwf (~1/3L)E2L,w
  | E1Liorwf (~2/3L)E2L,w
  text status,2

rule tri_eq_const
  goals z_set
  op ==
  pred LTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/3R
  | E1Lxorwf (~0/3L)E2L,w
  | movwf prodl,c
  | movlw ~1/3R
  | E1Lxorwf (~1/3L)E2L,w
  | iorwf prodl,f,c
  | movlw ~2/3R
  | E1Lxorwf (~2/3L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule tri_eq
  goals z_set
  op ==
  pred LTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lxorwf (~0/3L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/3R)E2R,w
  | E1Lxorwf (~1/3L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~2/3R)E2R,w
  | E1Lxorwf (~2/3L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule tri_ne_const
  goals z_clear
  op !=
  pred LTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/3R
  | E1Lxorwf (~0/3L)E2L,w
  | movwf prodl,c
  | movlw ~1/3R
  | E1Lxorwf (~1/3L)E2L,w
  | iorwf prodl,f,c
  | movlw ~2/3R
  | E1Lxorwf (~2/3L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule tri_ne
  goals z_clear
  op !=
  pred LTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lxorwf (~0/3L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/3R)E2R,w
  | E1Lxorwf (~1/3L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~2/3R)E2R,w
  | E1Lxorwf (~2/3L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule utri_lt_const
  goals c_clear
  op <
  pred LUNSTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1Lsubwf (~0/3L)E2L,w
  | movlw ~1/3R
  | E1Lsubwfb (~1/3L)E2L,w
  | movlw ~2/3R
  | E1Lsubwfb (~2/3L)E2L,w
  text status,0

rule utri_lt
  goals c_clear
  op <
  pred LUNSTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lsubwf (~0/3L)E2L,w
  | E1Rmovf (~1/3R)E2R,w
  | E1Lsubwfb (~1/3L)E2L,w
  | E1Rmovf (~2/3R)E2R,w
  | E1Lsubwfb (~2/3L)E2L,w
  text status,0

rule stri_lt_const
  goals n_set
  op <
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1Lsubwf (~0/3L)E2L,w
  | movlw ~1/3R
  | E1Lsubwfb (~1/3L)E2L,w
  | movlw ~2/3R
  | E1Lsubwfb (~2/3L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule stri_lt
  goals n_set
  op <
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lsubwf (~0/3L)E2L,w
  | E1Rmovf (~1/3R)E2R,w
  | E1Lsubwfb (~1/3L)E2L,w
  | E1Rmovf (~2/3R)E2R,w
  | E1Lsubwfb (~2/3L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule utri_ge_const
  goals c_set
  op >=
  pred LUNSTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1Lsubwf (~0/3L)E2L,w
  | movlw ~1/3R
  | E1Lsubwfb (~1/3L)E2L,w
  | movlw ~2/3R
  | E1Lsubwfb (~2/3L)E2L,w
  text status,0

rule utri_ge
  goals c_set
  op >=
  pred LUNSTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lsubwf (~0/3L)E2L,w
  | E1Rmovf (~1/3R)E2R,w
  | E1Lsubwfb (~1/3L)E2L,w
  | E1Rmovf (~2/3R)E2R,w
  | E1Lsubwfb (~2/3L)E2L,w
  text status,0

rule stri_ge_const
  goals n_clear
  op >=
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1Lsubwf (~0/3L)E2L,w
  | movlw ~1/3R
  | E1Lsubwfb (~1/3L)E2L,w
  | movlw ~2/3R
  | E1Lsubwfb (~2/3L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule stri_ge
  goals n_clear
  op >=
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1Lsubwf (~0/3L)E2L,w
  | E1Rmovf (~1/3R)E2R,w
  | E1Lsubwfb (~1/3L)E2L,w
  | E1Rmovf (~2/3R)E2R,w
  | E1Lsubwfb (~2/3L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule utri_gt
  goals c_clear
  op >
  pred LUNSTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Rsubwf (~0/3R)E2R,w
  | E1Lmovf (~1/3L)E2L,w
  | E1Rsubwfb (~1/3R)E2R,w
  | E1Lmovf (~2/3L)E2L,w
  | E1Rsubwfb (~2/3R)E2R,w
  text status,0

rule stri_gt
  goals n_set
  op >
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Rsubwf (~0/3R)E2R,w
  | E1Lmovf (~1/3L)E2L,w
  | E1Rsubwfb (~1/3R)E2R,w
  | E1Lmovf (~2/3L)E2L,w
  | E1Rsubwfb (~2/3R)E2R,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule utri_le
  goals c_set
  op <=
  pred LUNSTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Rsubwf (~0/3R)E2R,w
  | E1Lmovf (~1/3L)E2L,w
  | E1Rsubwfb (~1/3R)E2R,w
  | E1Lmovf (~2/3L)E2L,w
  | E1Rsubwfb (~2/3R)E2R,w
  text status,0

rule stri_le
  goals n_clear
  op <=
  pred LSIGNTRIWORD
  left tri_opnd
  right tri_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/3L)E2L,w
  | E1Rsubwf (~0/3R)E2R,w
  | E1Lmovf (~1/3L)E2L,w
  | E1Rsubwfb (~1/3R)E2R,w
  | E1Lmovf (~2/3L)E2L,w
  | E1Rsubwfb (~2/3R)E2R,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule stri_negative
  goals bit_set
  op <
  pred LSIGNTRIWORD
  left tri_opnd
  right @zero
  kind none
  code
  | E1L
  text (~2/3L)E2L,7

rule stri_not_negative
  goals bit_clear
  op >=
  pred LSIGNTRIWORD
  left tri_opnd
  right @zero
  kind none
  code
  | E1L
  text (~2/3L)E2L,7

rule bit_of_tri
  goals bit_ref
  op &
  pred TRIWORD
  left tri_opnd
  right bit_mask
  kind none
  text (CRL)E2L,E26R

rule switch_tri
  goals stmt
  op [\
  pred LTRIWORD
  left tri_opnd
  kind none
  code
  | E9N

# Widening extends by the operand's signedness, whatever the result's.
rule zext_byte_to_tri
  goals tri_tmp
  op ->
  pred UNSBYTE_TO_TRI
  left byte_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff L,~0/3XN
  | E1Nclrf (~1/3XN)E2N
  | E1Nclrf (~2/3XN)E2N
  text XN

rule sext_byte_to_tri
  goals tri_tmp
  op ->
  pred SIGNBYTE_TO_TRI
  left byte_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff L,~0/3XN
  | movlw 0
  | E1Lbtfsc (L)E2L,7
  | movlw 0ffh
  | E1Nmovwf (~1/3XN)E2N
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule zext_word_to_tri
  goals tri_tmp
  op ->
  pred UNSWORD_TO_TRI
  left word_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/2L,~0/3XN
  | movff ~1/2L,~1/3XN
  | E1Nclrf (~2/3XN)E2N
  text XN

rule sext_word_to_tri
  goals tri_tmp
  op ->
  pred SIGNWORD_TO_TRI
  left word_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/2L,~0/3XN
  | movff ~1/2L,~1/3XN
  | movlw 0
  | E1Lbtfsc (~1/2L)E2L,7
  | movlw 0ffh
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_truth_of_bit_set
  goals tri_tmp
  op ->
  pred TRIWORD
  left bit_set
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_bit_clear
  goals tri_tmp
  op ->
  pred TRIWORD
  left bit_clear
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_z_set
  goals tri_tmp
  op ->
  pred TRIWORD
  left z_set
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_z_clear
  goals tri_tmp
  op ->
  pred TRIWORD
  left z_clear
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_c_set
  goals tri_tmp
  op ->
  pred TRIWORD
  left c_set
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_c_clear
  goals tri_tmp
  op ->
  pred TRIWORD
  left c_clear
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_n_set
  goals tri_tmp
  op ->
  pred TRIWORD
  left n_set
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule tri_truth_of_n_clear
  goals tri_tmp
  op ->
  pred TRIWORD
  left n_clear
  result TEMP3
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/3XN)E2N
  | clrf (~1/3XN)E2N
  | clrf (~2/3XN)E2N
  text XN

rule low_byte_of_tri
  goals byte_result
  op ->
  pred ISBYTE LTRIWORD
  left tri_opnd
  kind none
  text ~0/3L

rule low_word_of_tri
  goals word_mem
  op ->
  pred WORD LTRIWORD
  left tri_mem
  kind none
  text ~0/3L
  text ~1/3L

rule low_word_tmp_of_tri
  goals word_tmp
  op ->
  pred WORD LTRIWORD
  left tri_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | movff ~0/3L,~0/2XN
  | movff ~1/3L,~1/2XN
  text XN

rule tri_as_tri
  goals tri_opnd
  op ->
  pred TRIWORD LTRIWORD
  left tri_opnd
  kind left
  text L

rule tri_step_value
  goals tri_tmp
  op ++ --
  pred TRIWORD NOTFLOAT
  left tri_mem
  right tri_imm
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | movlw ~0/3R
  | E1LQ1Nwf (~0/3L)E2L,f
  | movlw ~1/3R
  | Q2N (~1/3L)E2L,f
  | movlw ~2/3R
  | Q2N (~2/3L)E2L,f
  text XN

rule tri_step
  goals stmt
  op ++ --
  pred TRIWORD NOTFLOAT
  left tri_mem
  right tri_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/3R
  | E1LQ1Nwf (~0/3L)E2L,f
  | movlw ~1/3R
  | Q2N (~1/3L)E2L,f
  | movlw ~2/3R
  | Q2N (~2/3L)E2L,f

