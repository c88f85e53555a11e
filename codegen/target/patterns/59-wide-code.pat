# Pointers into program memory beyond 64 KiB, and function pointers there:
# three bytes, low, high and upper, as the initialisers write them. A RAM
# address held in one has an upper byte of 0. Only for chips whose code
# addresses take three bytes: a smaller chip keeps the code it has.

# An address as a three-byte immediate.
rule tri_address_of
  goals tri_imm
  op &U
  pred TRIPTR WIDE_CODE
  left ram_name
  kind none
  text low(L)
  text high(L)
  text low highword(L)

rule tri_address_plus
  goals tri_imm
  op +
  pred TRIPTR WIDE_CODE
  left ram_address
  right word_const
  kind none
  text low(L+R)
  text high(L+R)
  text low highword(L+R)

# A pointer plus or minus a word index: the index's upper byte is 0 or,
# for a signed index, its sign, so that a step back borrows from the upper
# byte. The same sums of a short long and a word.
rule tri_ptr_op_unsigned_word
  goals tri_tmp
  op + -
  pred WIDE_CODE RUNSWORD
  left tri_opnd
  right word_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf(~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | movlw 0
  | E1LQ2N (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_ptr_op_word
  goals tri_tmp
  op + -
  pred WIDE_CODE RWORD
  left tri_opnd
  right word_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf(~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | movlw 0
  | E1Rbtfsc (~1/2R)E2R,7
  | movlw -1
  | E1LQ2N (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

# A pointer plus a byte index in W, zero- or sign-extended.
rule tri_ptr_plus_ubyte
  goals tri_tmp
  op +
  pred WIDE_CODE RUNSBYTE
  left tri_opnd
  right wreg_byte
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Laddwf (~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | movlw 0
  | E1Laddwfc (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | movlw 0
  | E1Laddwfc (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

rule tri_ptr_plus_sbyte
  goals tri_tmp
  op +
  pred WIDE_CODE RSIGNBYTE
  left tri_opnd
  right wreg_byte
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg prod
  code
  | movwf prodl,c
  | E1Laddwf (~0/3L)E2L,w
  | E1Nmovwf (~0/3XN)E2N
  | movlw 0
  | btfsc prodl,7,c
  | movlw -1
  | movwf prodl,c
  | E1Laddwfc (~1/3L)E2L,w
  | E1Nmovwf (~1/3XN)E2N
  | movf prodl,w,c
  | E1Laddwfc (~2/3L)E2L,w
  | E1Nmovwf (~2/3XN)E2N
  text XN

# A pointer to program memory held in three bytes.
rule rom_ptr_from_tri
  goals rom_ptr
  chain tri_opnd
  pred CODE_24_PTR WIDE_CODE
  result tblptr
  kind xreg
  flags xreg_used
  code
  | movff ~0/3L,tblptrl
  | movff ~1/3L,tblptrh
  | movff ~2/3L,tblptru
  text XN

# A pointer that may reach both: program memory when its upper byte is
# set or its high byte at or above the first page that may hold constants.
goal mixed_ptr3

rule mixed_ptr3_value
  goals mixed_ptr3
  chain tri_opnd
  pred MIXED_24_PTR WIDE_CODE
  kind left
  text L

rule mixed3_byte
  goals wreg_byte
  op *U
  pred ISBYTE
  left mixed_ptr3
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  clobber status fsr0 tblptr
  code
  | E1Lmovf (~2/3L)E2L,w
  | bnz uNN1
  | movlw E34N
  | E1Lsubwf (~1/3L)E2L,w
  | bc uNN1
  | movff ~0/3L,fsr0l
  | movff ~1/3L,fsr0h
  | movf indf0,w,c
  | bra uNN2
  : uNN1:
  | movff ~0/3L,tblptrl
  | movff ~1/3L,tblptrh
  | movff ~2/3L,tblptru
  | tblrd *
  | movf tablat,w,c
  | E10N
  : uNN2:
  text XN

rule mixed3_word
  goals word_tmp
  op *U
  pred WORD
  left mixed_ptr3
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg fsr0 tblptr
  code
  | E1Lmovf (~2/3L)E2L,w
  | bnz uNN1
  | movlw E34N
  | E1Lsubwf (~1/3L)E2L,w
  | bc uNN1
  | movff ~0/3L,fsr0l
  | movff ~1/3L,fsr0h
  | movff postinc0,~0/2XN
  | movff indf0,~1/2XN
  | bra uNN2
  : uNN1:
  | movff ~0/3L,tblptrl
  | movff ~1/3L,tblptrh
  | movff ~2/3L,tblptru
  | tblrd *+
  | movff tablat,~0/2XN
  | tblrd *
  | movff tablat,~1/2XN
  | E10N
  : uNN2:
  text XN

# A call through a three-byte function pointer: the call rules load
# PCLATU from its upper byte (target macro 35) before PCLATH.
rule code_ptr_deref_tri
  goals code_ptr
  op *U
  pred LTRIWORD WIDE_CODE
  left tri_opnd
  kind none
  text L

# A pointer of two bytes stepped by an index of three (an element of an
# array of structures that hold function pointers): the low two bytes.
rule ptr16_op_tri_index
  goals word_tmp
  op + -
  pred ANY_16_PTR WIDE_CODE
  left word_opnd
  right tri_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/3R)E2R,w
  | E1LONwf(~0/2L)E2L,w
  | E1Nmovwf (~0/2XN)E2N
  | E1Rmovf (~1/3R)E2R,w
  | E1LQ2N (~1/2L)E2L,w
  | E1Nmovwf (~1/2XN)E2N
  text XN
