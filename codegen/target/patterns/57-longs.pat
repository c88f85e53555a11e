# Values of four bytes: longs and 32-bit floats. The same
# shapes as for words, byte by byte from the lowest; a multi-byte operand
# names its bytes through D, its byte offset, so one text serves them all.

goal long_mem long_const long_imm long_tmp long_opnd call_long fsr_long

rule long_mem_id
  goals long_mem
  op ID
  pred DWORD ISRAM
  kind none
  text DN+SN

rule long_at_address
  goals long_mem
  op *U
  pred DWORD ISRAM
  left ram_address
  kind none
  text DN+L

# A volatile object read as a statement of its own: each byte is read once.
rule read_long_for_effect
  goals stmt
  chain long_mem
  pred DWORD
  kind none
  clobber wreg status
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Lmovf (~1/4L)E2L,w
  | E1Lmovf (~2/4L)E2L,w
  | E1Lmovf (~3/4L)E2L,w

rule long_const_leaf
  goals long_const
  op CONST
  kind none
  text VN

rule long_imm_from_const
  goals long_imm
  chain long_const
  kind left
  text L

rule long_opnd_from_mem
  goals long_opnd
  chain long_mem
  kind left
  text L

rule long_opnd_from_tmp
  goals long_opnd
  chain long_tmp
  kind left
  text L

rule long_tmp_from_const
  goals long_tmp
  chain long_imm
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw ~0/4L
  | E1Nmovwf (~0/4XN)E2N
  | movlw ~1/4L
  | E1Nmovwf (~1/4XN)E2N
  | movlw ~2/4L
  | E1Nmovwf (~2/4XN)E2N
  | movlw ~3/4L
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule long_op_const_tmp
  goals long_tmp
  op + - & | ^
  pred DWORD
  left long_opnd
  right long_imm
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/4R
  | E1LONwf(~0/4L)E2L,w
  | E1Nmovwf (~0/4XN)E2N
  | movlw ~1/4R
  | E1LQ2N (~1/4L)E2L,w
  | E1Nmovwf (~1/4XN)E2N
  | movlw ~2/4R
  | E1LQ2N (~2/4L)E2L,w
  | E1Nmovwf (~2/4XN)E2N
  | movlw ~3/4R
  | E1LQ2N (~3/4L)E2L,w
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule long_op_tmp
  goals long_tmp
  op + - & | ^
  pred DWORD
  left long_opnd
  right long_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1LONwf(~0/4L)E2L,w
  | E1Nmovwf (~0/4XN)E2N
  | E1Rmovf (~1/4R)E2R,w
  | E1LQ2N (~1/4L)E2L,w
  | E1Nmovwf (~1/4XN)E2N
  | E1Rmovf (~2/4R)E2R,w
  | E1LQ2N (~2/4L)E2L,w
  | E1Nmovwf (~2/4XN)E2N
  | E1Rmovf (~3/4R)E2R,w
  | E1LQ2N (~3/4L)E2L,w
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule long_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left long_mem
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1LONwf(~0/4L)E2L,f
  | movlw ~1/4R
  | E1LQ2N (~1/4L)E2L,f
  | movlw ~2/4R
  | E1LQ2N (~2/4L)E2L,f
  | movlw ~3/4R
  | E1LQ2N (~3/4L)E2L,f

rule long_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left long_mem
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1LONwf(~0/4L)E2L,f
  | E1Rmovf (~1/4R)E2R,w
  | E1LQ2N (~1/4L)E2L,f
  | E1Rmovf (~2/4R)E2R,w
  | E1LQ2N (~2/4L)E2L,f
  | E1Rmovf (~3/4R)E2R,w
  | E1LQ2N (~3/4L)E2L,f

# The value of a compound assignment (a step tested in a condition, n-- as
# (n -= 1) + 1): worked in place, then copied.
rule long_assign_op_value
  goals long_tmp
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left long_mem
  right long_imm
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/4R
  | E1LONwf (~0/4L)E2L,f
  | movlw ~1/4R
  | E1LQ2N (~1/4L)E2L,f
  | movlw ~2/4R
  | E1LQ2N (~2/4L)E2L,f
  | movlw ~3/4R
  | E1LQ2N (~3/4L)E2L,f
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  text XN

rule long_assign_op_opnd_value
  goals long_tmp
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left long_mem
  right long_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1LONwf (~0/4L)E2L,f
  | E1Rmovf (~1/4R)E2R,w
  | E1LQ2N (~1/4L)E2L,f
  | E1Rmovf (~2/4R)E2R,w
  | E1LQ2N (~2/4L)E2L,f
  | E1Rmovf (~3/4R)E2R,w
  | E1LQ2N (~3/4L)E2L,f
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  text XN

rule store_call_long
  goals stmt
  op =
  pred DWORD
  left long_mem
  right call_long
  kind none
  code
  | movff ~0/4R,~0/4L
  | movff ~1/4R,~1/4L
  | movff ~2/4R,~2/4L
  | movff ~3/4R,~3/4L

# Zero stored by clearing each byte.
rule clear_long
  goals stmt
  op =
  pred DWORD NOTFLOAT
  left long_mem
  right @zero
  kind none
  code
  | E1Lclrf (~0/4L)E2L
  | E1Lclrf (~1/4L)E2L
  | E1Lclrf (~2/4L)E2L
  | E1Lclrf (~3/4L)E2L

rule store_long_const
  goals stmt
  op =
  pred DWORD
  left long_mem
  right long_imm
  kind none
  clobber wreg
  code
  | movlw ~0/4R
  | E1Lmovwf (~0/4L)E2L
  | movlw ~1/4R
  | E1Lmovwf (~1/4L)E2L
  | movlw ~2/4R
  | E1Lmovwf (~2/4L)E2L
  | movlw ~3/4R
  | E1Lmovwf (~3/4L)E2L

rule store_long
  goals stmt
  op =
  pred DWORD
  left long_mem
  right long_opnd
  kind none
  code
  | movff ~0/4R,~0/4L
  | movff ~1/4R,~1/4L
  | movff ~2/4R,~2/4L
  | movff ~3/4R,~3/4L

rule call_long_value_with_args
  goals call_long
  op (
  pred DWORD
  left func_name
  right stmt
  kind none
  flags call
  code
  | call L
  text DN+?SN

rule call_long_value
  goals call_long
  op (
  pred DWORD
  left func_name
  kind none
  flags call
  code
  | call L
  text DN+?SN

rule call_long_through_pointer_with_args
  goals call_long
  op (
  pred DWORD
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

rule call_long_through_pointer
  goals call_long
  op (
  pred DWORD
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

rule long_tmp_from_call
  goals long_tmp
  chain call_long
  result TEMP4
  kind xreg
  flags xreg_used
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  text XN

rule long_fsr_deref
  goals fsr_long
  op *U
  pred DWORD
  left fsr_ptr
  kind left
  text L

rule long_tmp_from_fsr
  goals long_tmp
  chain fsr_long
  result TEMP4
  kind xreg
  flags xreg_used
  code
  | movff L+5,~0/4XN
  | movff L+5,~1/4XN
  | movff L+5,~2/4XN
  | movff L+6,~3/4XN
  text XN

rule store_long_fsr_const
  goals stmt
  op =
  pred DWORD
  left fsr_long
  right long_imm
  kind none
  clobber wreg
  code
  | movlw ~0/4R
  | movwf L+5,c
  | movlw ~1/4R
  | movwf L+5,c
  | movlw ~2/4R
  | movwf L+5,c
  | movlw ~3/4R
  | movwf L+6,c

rule store_long_fsr
  goals stmt
  op =
  pred DWORD
  left fsr_long
  right long_opnd
  kind none
  code
  | movff ~0/4R,L+5
  | movff ~1/4R,L+5
  | movff ~2/4R,L+5
  | movff ~3/4R,L+6

# In place through the pair: bytes 0 to 2 through POSTINC, byte 3
# through INDF, as the stores do.
rule fsr_long_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left fsr_long
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | ONwf L+5,f,c
  | E1Rmovf (~1/4R)E2R,w
  | Q2N L+5,f,c
  | E1Rmovf (~2/4R)E2R,w
  | Q2N L+5,f,c
  | E1Rmovf (~3/4R)E2R,w
  | Q2N L+6,f,c

rule fsr_long_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred DWORD NOTFLOAT
  left fsr_long
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | ONwf L+5,f,c
  | movlw ~1/4R
  | Q2N L+5,f,c
  | movlw ~2/4R
  | Q2N L+5,f,c
  | movlw ~3/4R
  | Q2N L+6,f,c

rule long_rom
  goals long_tmp
  op *U
  pred DWORD
  left rom_ptr
  result TEMP4
  kind xreg
  flags xreg_used
  clobber tblptr
  code
  | tblrd *+
  | movff tablat,~0/4XN
  | tblrd *+
  | movff tablat,~1/4XN
  | tblrd *+
  | movff tablat,~2/4XN
  | tblrd *+
  | movff tablat,~3/4XN
  | E10N
  text XN

rule long_rom_id
  goals long_tmp
  op ID
  pred DWORD ISCODE
  result TEMP4
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
  | movff tablat,~0/4XN
  | tblrd *+
  | movff tablat,~1/4XN
  | tblrd *+
  | movff tablat,~2/4XN
  | tblrd *+
  | movff tablat,~3/4XN
  | E10N
  text XN

rule negated_long
  goals long_tmp
  op -U
  pred DWORD NOTFLOAT
  left long_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | E1Ncomf (~0/4XN)E2N,f
  | E1Ncomf (~1/4XN)E2N,f
  | E1Ncomf (~2/4XN)E2N,f
  | E1Ncomf (~3/4XN)E2N,f
  | E1Nincf (~0/4XN)E2N,f
  | movlw 0
  | addwfc (~1/4XN)E2N,f
  | movlw 0
  | addwfc (~2/4XN)E2N,f
  | movlw 0
  | addwfc (~3/4XN)E2N,f
  text XN

rule complement_long
  goals long_tmp
  op ~
  pred DWORD
  left long_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | E1Ncomf (~0/4XN)E2N,f
  | E1Ncomf (~1/4XN)E2N,f
  | E1Ncomf (~2/4XN)E2N,f
  | E1Ncomf (~3/4XN)E2N,f
  text XN

rule shift_long_const
  goals long_tmp
  op << >>
  pred DWORD
  left long_opnd
  right byte_const
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | E24N
  text XN

rule shift_long_const_in_place
  goals stmt
  op =<< =>>
  pred LDWORD
  left long_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | E24N

rule shift_long_by_w
  goals long_tmp
  op << >>
  pred DWORD
  left long_opnd
  right wreg_byte
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | E25N
  text XN

rule shift_long_by_w_in_place
  goals stmt
  op =<< =>>
  pred LDWORD
  left long_mem
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E25N

# An integer against zero: the bytes ORed together set Z (a float
# has two zeros).
rule long_eq_zero
  goals z_set
  op ==
  pred LDWORD !LISFLOAT
  left long_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Liorwf (~1/4L)E2L,w
  | E1Liorwf (~2/4L)E2L,w
  | E1Liorwf (~3/4L)E2L,w
  text status,2

rule long_ne_zero
  goals z_clear
  op !=
  pred LDWORD !LISFLOAT
  left long_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Liorwf (~1/4L)E2L,w
  | E1Liorwf (~2/4L)E2L,w
  | E1Liorwf (~3/4L)E2L,w
  text status,2

rule long_eq_const
  goals z_set
  op ==
  pred LDWORD
  left long_opnd
  right long_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/4R
  | E1Lxorwf (~0/4L)E2L,w
  | movwf prodl,c
  | movlw ~1/4R
  | E1Lxorwf (~1/4L)E2L,w
  | iorwf prodl,f,c
  | movlw ~2/4R
  | E1Lxorwf (~2/4L)E2L,w
  | iorwf prodl,f,c
  | movlw ~3/4R
  | E1Lxorwf (~3/4L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule long_eq
  goals z_set
  op ==
  pred LDWORD
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lxorwf (~0/4L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/4R)E2R,w
  | E1Lxorwf (~1/4L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~2/4R)E2R,w
  | E1Lxorwf (~2/4L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~3/4R)E2R,w
  | E1Lxorwf (~3/4L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule long_ne_const
  goals z_clear
  op !=
  pred LDWORD
  left long_opnd
  right long_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/4R
  | E1Lxorwf (~0/4L)E2L,w
  | movwf prodl,c
  | movlw ~1/4R
  | E1Lxorwf (~1/4L)E2L,w
  | iorwf prodl,f,c
  | movlw ~2/4R
  | E1Lxorwf (~2/4L)E2L,w
  | iorwf prodl,f,c
  | movlw ~3/4R
  | E1Lxorwf (~3/4L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule long_ne
  goals z_clear
  op !=
  pred LDWORD
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lxorwf (~0/4L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/4R)E2R,w
  | E1Lxorwf (~1/4L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~2/4R)E2R,w
  | E1Lxorwf (~2/4L)E2L,w
  | iorwf prodl,f,c
  | E1Rmovf (~3/4R)E2R,w
  | E1Lxorwf (~3/4L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule ulong_lt_const
  goals c_clear
  op <
  pred LUNSLONG
  left long_opnd
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1Lsubwf (~0/4L)E2L,w
  | movlw ~1/4R
  | E1Lsubwfb (~1/4L)E2L,w
  | movlw ~2/4R
  | E1Lsubwfb (~2/4L)E2L,w
  | movlw ~3/4R
  | E1Lsubwfb (~3/4L)E2L,w
  text status,0

rule ulong_lt
  goals c_clear
  op <
  pred LUNSLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lsubwf (~0/4L)E2L,w
  | E1Rmovf (~1/4R)E2R,w
  | E1Lsubwfb (~1/4L)E2L,w
  | E1Rmovf (~2/4R)E2R,w
  | E1Lsubwfb (~2/4L)E2L,w
  | E1Rmovf (~3/4R)E2R,w
  | E1Lsubwfb (~3/4L)E2L,w
  text status,0

rule slong_lt_const
  goals n_set
  op <
  pred LSIGNLONG
  left long_opnd
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1Lsubwf (~0/4L)E2L,w
  | movlw ~1/4R
  | E1Lsubwfb (~1/4L)E2L,w
  | movlw ~2/4R
  | E1Lsubwfb (~2/4L)E2L,w
  | movlw ~3/4R
  | E1Lsubwfb (~3/4L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule slong_lt
  goals n_set
  op <
  pred LSIGNLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lsubwf (~0/4L)E2L,w
  | E1Rmovf (~1/4R)E2R,w
  | E1Lsubwfb (~1/4L)E2L,w
  | E1Rmovf (~2/4R)E2R,w
  | E1Lsubwfb (~2/4L)E2L,w
  | E1Rmovf (~3/4R)E2R,w
  | E1Lsubwfb (~3/4L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule ulong_ge_const
  goals c_set
  op >=
  pred LUNSLONG
  left long_opnd
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1Lsubwf (~0/4L)E2L,w
  | movlw ~1/4R
  | E1Lsubwfb (~1/4L)E2L,w
  | movlw ~2/4R
  | E1Lsubwfb (~2/4L)E2L,w
  | movlw ~3/4R
  | E1Lsubwfb (~3/4L)E2L,w
  text status,0

rule ulong_ge
  goals c_set
  op >=
  pred LUNSLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lsubwf (~0/4L)E2L,w
  | E1Rmovf (~1/4R)E2R,w
  | E1Lsubwfb (~1/4L)E2L,w
  | E1Rmovf (~2/4R)E2R,w
  | E1Lsubwfb (~2/4L)E2L,w
  | E1Rmovf (~3/4R)E2R,w
  | E1Lsubwfb (~3/4L)E2L,w
  text status,0

rule slong_ge_const
  goals n_clear
  op >=
  pred LSIGNLONG
  left long_opnd
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1Lsubwf (~0/4L)E2L,w
  | movlw ~1/4R
  | E1Lsubwfb (~1/4L)E2L,w
  | movlw ~2/4R
  | E1Lsubwfb (~2/4L)E2L,w
  | movlw ~3/4R
  | E1Lsubwfb (~3/4L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule slong_ge
  goals n_clear
  op >=
  pred LSIGNLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/4R)E2R,w
  | E1Lsubwf (~0/4L)E2L,w
  | E1Rmovf (~1/4R)E2R,w
  | E1Lsubwfb (~1/4L)E2L,w
  | E1Rmovf (~2/4R)E2R,w
  | E1Lsubwfb (~2/4L)E2L,w
  | E1Rmovf (~3/4R)E2R,w
  | E1Lsubwfb (~3/4L)E2L,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule ulong_gt
  goals c_clear
  op >
  pred LUNSLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Rsubwf (~0/4R)E2R,w
  | E1Lmovf (~1/4L)E2L,w
  | E1Rsubwfb (~1/4R)E2R,w
  | E1Lmovf (~2/4L)E2L,w
  | E1Rsubwfb (~2/4R)E2R,w
  | E1Lmovf (~3/4L)E2L,w
  | E1Rsubwfb (~3/4R)E2R,w
  text status,0

rule slong_gt
  goals n_set
  op >
  pred LSIGNLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Rsubwf (~0/4R)E2R,w
  | E1Lmovf (~1/4L)E2L,w
  | E1Rsubwfb (~1/4R)E2R,w
  | E1Lmovf (~2/4L)E2L,w
  | E1Rsubwfb (~2/4R)E2R,w
  | E1Lmovf (~3/4L)E2L,w
  | E1Rsubwfb (~3/4R)E2R,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule ulong_le
  goals c_set
  op <=
  pred LUNSLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Rsubwf (~0/4R)E2R,w
  | E1Lmovf (~1/4L)E2L,w
  | E1Rsubwfb (~1/4R)E2R,w
  | E1Lmovf (~2/4L)E2L,w
  | E1Rsubwfb (~2/4R)E2R,w
  | E1Lmovf (~3/4L)E2L,w
  | E1Rsubwfb (~3/4R)E2R,w
  text status,0

rule slong_le
  goals n_clear
  op <=
  pred LSIGNLONG
  left long_opnd
  right long_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/4L)E2L,w
  | E1Rsubwf (~0/4R)E2R,w
  | E1Lmovf (~1/4L)E2L,w
  | E1Rsubwfb (~1/4R)E2R,w
  | E1Lmovf (~2/4L)E2L,w
  | E1Rsubwfb (~2/4R)E2R,w
  | E1Lmovf (~3/4L)E2L,w
  | E1Rsubwfb (~3/4R)E2R,w
  | btfsc status,3,c
  | xorlw 080h
  text status,4

rule slong_negative
  goals bit_set
  op <
  pred LSIGNLONG
  left long_opnd
  right @zero
  kind none
  code
  | E1L
  text (~3/4L)E2L,7

rule slong_not_negative
  goals bit_clear
  op >=
  pred LSIGNLONG
  left long_opnd
  right @zero
  kind none
  code
  | E1L
  text (~3/4L)E2L,7

rule bit_of_long
  goals bit_ref
  op &
  pred DWORD
  left long_opnd
  right bit_mask
  kind none
  text (CRL)E2L,E26R

rule switch_long
  goals stmt
  op [\
  pred LDWORD
  left long_opnd
  kind none
  code
  | E9N

# Widening extends by the operand's signedness, whatever the result's:
# (unsigned long)(signed char)-1 has every bit set.
rule zext_byte_to_long
  goals long_tmp
  op ->
  pred LUNSBYTE LONG
  left byte_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff L,~0/4XN
  | E1Nclrf (~1/4XN)E2N
  | E1Nclrf (~2/4XN)E2N
  | E1Nclrf (~3/4XN)E2N
  text XN

rule sext_byte_to_long
  goals long_tmp
  op ->
  pred SIGNBYTE_TO_LONG
  left byte_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff L,~0/4XN
  | movlw 0
  | E1Lbtfsc (L)E2L,7
  | movlw 0ffh
  | E1Nmovwf (~1/4XN)E2N
  | E1Nmovwf (~2/4XN)E2N
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule zext_word_to_long
  goals long_tmp
  op ->
  pred UNSWORD_TO_LONG
  left word_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/2L,~0/4XN
  | movff ~1/2L,~1/4XN
  | E1Nclrf (~2/4XN)E2N
  | E1Nclrf (~3/4XN)E2N
  text XN

rule sext_word_to_long
  goals long_tmp
  op ->
  pred SIGNWORD_TO_LONG
  left word_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/2L,~0/4XN
  | movff ~1/2L,~1/4XN
  | movlw 0
  | E1Lbtfsc (~1/2L)E2L,7
  | movlw 0ffh
  | E1Nmovwf (~2/4XN)E2N
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule zext_tri_to_long
  goals long_tmp
  op ->
  pred LUNSTRIWORD LONG
  left tri_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/3L,~0/4XN
  | movff ~1/3L,~1/4XN
  | movff ~2/3L,~2/4XN
  | E1Nclrf (~3/4XN)E2N
  text XN

rule sext_tri_to_long
  goals long_tmp
  op ->
  pred LSIGNTRIWORD LONG
  left tri_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movff ~0/3L,~0/4XN
  | movff ~1/3L,~1/4XN
  | movff ~2/3L,~2/4XN
  | movlw 0
  | E1Lbtfsc (~2/3L)E2L,7
  | movlw 0ffh
  | E1Nmovwf (~3/4XN)E2N
  text XN

rule long_truth_of_bit_set
  goals long_tmp
  op ->
  pred DWORD
  left bit_set
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_bit_clear
  goals long_tmp
  op ->
  pred DWORD
  left bit_clear
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_z_set
  goals long_tmp
  op ->
  pred DWORD
  left z_set
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_z_clear
  goals long_tmp
  op ->
  pred DWORD
  left z_clear
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_c_set
  goals long_tmp
  op ->
  pred DWORD
  left c_set
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_c_clear
  goals long_tmp
  op ->
  pred DWORD
  left c_clear
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_n_set
  goals long_tmp
  op ->
  pred DWORD
  left n_set
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule long_truth_of_n_clear
  goals long_tmp
  op ->
  pred DWORD
  left n_clear
  result TEMP4
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/4XN)E2N
  | clrf (~1/4XN)E2N
  | clrf (~2/4XN)E2N
  | clrf (~3/4XN)E2N
  text XN

rule low_byte_of_long
  goals byte_result
  op ->
  pred ISBYTE LDWORD
  left long_opnd
  kind none
  text ~0/4L

rule low_word_of_long
  goals word_mem
  op ->
  pred WORD LDWORD
  left long_mem
  kind none
  text ~0/4L
  text ~1/4L

rule low_word_tmp_of_long
  goals word_tmp
  op ->
  pred WORD LDWORD
  left long_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | movff ~0/4L,~0/2XN
  | movff ~1/4L,~1/2XN
  text XN

rule long_as_long
  goals long_opnd
  op ->
  pred DWORD LDWORD
  left long_opnd
  kind left
  text L

rule long_step_value
  goals long_tmp
  op ++ --
  pred DWORD NOTFLOAT
  left long_mem
  right long_imm
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | movlw ~0/4R
  | E1LQ1Nwf (~0/4L)E2L,f
  | movlw ~1/4R
  | Q2N (~1/4L)E2L,f
  | movlw ~2/4R
  | Q2N (~2/4L)E2L,f
  | movlw ~3/4R
  | Q2N (~3/4L)E2L,f
  text XN

rule long_step
  goals stmt
  op ++ --
  pred DWORD NOTFLOAT
  left long_mem
  right long_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/4R
  | E1LQ1Nwf (~0/4L)E2L,f
  | movlw ~1/4R
  | Q2N (~1/4L)E2L,f
  | movlw ~2/4R
  | Q2N (~2/4L)E2L,f
  | movlw ~3/4R
  | Q2N (~3/4L)E2L,f

