# Objects in program memory (const data), read through the table pointer:
# the address is built in TBLPTR, the byte read with tblrd into TABLAT.
# Target macro 27 loads TBLPTRU where program memory exceeds 64 KiB.

goal rom_ptr

rule rom_address_of
  goals rom_ptr
  op &U
  pred CODE_PTR
  left ram_name
  result tblptr
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw low(L)
  | movwf tblptrl,c
  | movlw high(L)
  | movwf tblptrh,c
  | E27L
  text XN

rule rom_ptr_plus_byte
  goals rom_ptr
  op +
  pred RUNSBYTE
  left rom_ptr
  right wreg_byte
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | addwf tblptrl,f,c
  | movlw 0
  | addwfc tblptrh,f,c
  | addwfc tblptru,f,c
  text L

rule rom_ptr_plus_sbyte
  goals rom_ptr
  op +
  pred RSIGNBYTE
  left rom_ptr
  right wreg_byte
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | btfss wreg,7,c
  | bra uNN1
  | decf tblptrh,f,c
  | btfss status,0,c
  | decf tblptru,f,c
  : uNN1:
  | addwf tblptrl,f,c
  | movlw 0
  | addwfc tblptrh,f,c
  | addwfc tblptru,f,c
  text L

rule rom_ptr_plus_index
  goals rom_ptr
  op +
  left rom_ptr
  right wreg_index
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | addwf tblptrl,f,c
  | movlw 0
  | addwfc tblptrh,f,c
  | addwfc tblptru,f,c
  text L

# A 2-byte pointer addresses the first 64 KiB, where TBLPTRU stays 0: a
# negative offset added as its 16-bit complement must not carry into it.
rule rom_ptr16_plus_const
  goals rom_ptr
  op +
  pred ANY_16_PTR
  left rom_ptr
  right word_imm
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | movlw ~0/2R
  | addwf tblptrl,f,c
  | movlw ~1/2R
  | addwfc tblptrh,f,c
  text L

rule rom_ptr16_plus_word
  goals rom_ptr
  op +
  pred ANY_16_PTR
  left rom_ptr
  right word_opnd
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | addwf tblptrl,f,c
  | E1Rmovf (~1/2R)E2R,w
  | addwfc tblptrh,f,c
  text L

# A 3-byte pointer: the offset is a 16-bit number whose sign (its high
# byte, still in W) carries into TBLPTRU, so that a step back borrows.
rule rom_ptr_plus_const
  goals rom_ptr
  op +
  left rom_ptr
  right word_imm
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | movlw ~0/2R
  | addwf tblptrl,f,c
  | movlw ~1/2R
  | addwfc tblptrh,f,c
  | btfss wreg,7,c
  | movlw 0
  | btfsc wreg,7,c
  | movlw -1
  | addwfc tblptru,f,c
  text L

rule rom_ptr_plus_word
  goals rom_ptr
  op +
  left rom_ptr
  right word_opnd
  kind left
  flags left_into_wanted
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | addwf tblptrl,f,c
  | E1Rmovf (~1/2R)E2R,w
  | addwfc tblptrh,f,c
  | btfss wreg,7,c
  | movlw 0
  | btfsc wreg,7,c
  | movlw -1
  | addwfc tblptru,f,c
  text L

# A pointer to program memory held in a word.
rule rom_ptr_from_word
  goals rom_ptr
  chain word_opnd
  pred CODE_16_PTR
  result tblptr
  kind xreg
  flags xreg_used
  code
  | movff ~0/2L,tblptrl
  | movff ~1/2L,tblptrh
  text XN

rule rom_byte
  goals wreg_byte
  op *U
  pred ISBYTE
  left rom_ptr
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | tblrd *
  | movf tablat,w,c
  | E10N
  text XN

rule rom_word
  goals word_tmp
  op *U
  pred WORD
  left rom_ptr
  result TEMP2
  kind xreg
  flags xreg_used
  clobber tblptr
  code
  | tblrd *+
  | movff tablat,~0/2XN
  | tblrd *
  | movff tablat,~1/2XN
  | E10N
  text XN

# A const object named directly.
rule rom_byte_id
  goals wreg_byte
  op ID
  pred ISBYTE ISCODE
  result wreg
  kind xreg
  flags xreg_used
  clobber tblptr
  code
  | movlw low(SN)
  | movwf tblptrl,c
  | movlw high(SN)
  | movwf tblptrh,c
  | E27N
  | tblrd *
  | movf tablat,w,c
  | E10N
  text XN

rule rom_word_id
  goals word_tmp
  op ID
  pred WORD ISCODE
  result TEMP2
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
  | movff tablat,~0/2XN
  | tblrd *
  | movff tablat,~1/2XN
  | E10N
  text XN

# A pointer that may reach both: its value tells, since program memory
# below the first page above RAM (target macro 34) holds no constants.
goal mixed_ptr

rule mixed_ptr_value
  goals mixed_ptr
  chain word_opnd
  pred MIXED_16_PTR
  kind left
  text L

rule mixed_byte
  goals wreg_byte
  op *U
  pred ISBYTE
  left mixed_ptr
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  clobber status fsr0 tblptr
  code
  | movlw E34N
  | E1Lsubwf (~1/2L)E2L,w
  | bc uNN1
  | movff ~0/2L,fsr0l
  | movff ~1/2L,fsr0h
  | movf indf0,w,c
  | bra uNN2
  : uNN1:
  | movff ~0/2L,tblptrl
  | movff ~1/2L,tblptrh
  | tblrd *
  | movf tablat,w,c
  | E10N
  : uNN2:
  text XN

rule mixed_word
  goals word_tmp
  op *U
  pred WORD
  left mixed_ptr
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg fsr0 tblptr
  code
  | movlw E34N
  | E1Lsubwf (~1/2L)E2L,w
  | bc uNN1
  | movff ~0/2L,fsr0l
  | movff ~1/2L,fsr0h
  | movff postinc0,~0/2XN
  | movff indf0,~1/2XN
  | bra uNN2
  : uNN1:
  | movff ~0/2L,tblptrl
  | movff ~1/2L,tblptrh
  | tblrd *+
  | movff tablat,~0/2XN
  | tblrd *
  | movff tablat,~1/2XN
  | E10N
  : uNN2:
  text XN

# Wider values the same way: RAM through FSR0, program memory through the
# table pointer.
rule mixed_tri
  goals tri_tmp
  op *U
  pred TRIWORD
  left mixed_ptr
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg fsr0 tblptr
  code
  | movlw E34N
  | E1Lsubwf (~1/2L)E2L,w
  | bc uNN1
  | movff ~0/2L,fsr0l
  | movff ~1/2L,fsr0h
  | movff postinc0,~0/3XN
  | movff postinc0,~1/3XN
  | movff indf0,~2/3XN
  | bra uNN2
  : uNN1:
  | movff ~0/2L,tblptrl
  | movff ~1/2L,tblptrh
  | tblrd *+
  | movff tablat,~0/3XN
  | tblrd *+
  | movff tablat,~1/3XN
  | tblrd *
  | movff tablat,~2/3XN
  | E10N
  : uNN2:
  text XN

rule mixed_long
  goals long_tmp
  op *U
  pred DWORD
  left mixed_ptr
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status wreg fsr0 tblptr
  code
  | movlw E34N
  | E1Lsubwf (~1/2L)E2L,w
  | bc uNN1
  | movff ~0/2L,fsr0l
  | movff ~1/2L,fsr0h
  | movff postinc0,~0/4XN
  | movff postinc0,~1/4XN
  | movff postinc0,~2/4XN
  | movff indf0,~3/4XN
  | bra uNN2
  : uNN1:
  | movff ~0/2L,tblptrl
  | movff ~1/2L,tblptrh
  | tblrd *+
  | movff tablat,~0/4XN
  | tblrd *+
  | movff tablat,~1/4XN
  | tblrd *+
  | movff tablat,~2/4XN
  | tblrd *
  | movff tablat,~3/4XN
  | E10N
  : uNN2:
  text XN
