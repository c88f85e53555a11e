# Shifts of bytes by a count worked out at run time, and of words by any
# count. Target macro 24 shifts by a constant, macro 25 by the count in W,
# an assignment's left operand in place or else the node's own temporary.

goal byte_result

# A byte shifted by a constant, in a temporary: the product of the
# hardware multiplier (as in W, 20-bytes.pat) instead of a loop.
rule shift_left_const_to_temp
  goals byte_result
  op <<
  pred ISBYTE
  left wreg_byte
  right byte_const
  result TEMP
  kind xreg
  flags xreg_used
  clobber status prod
  code
  | mullw 1<<(R)
  | movff prodl,XN
  text XN

rule shift_right_unsigned_const_to_temp
  goals byte_result
  op >>
  pred UNSBYTE
  left wreg_byte
  right byte_const
  result TEMP
  kind xreg
  flags xreg_used
  clobber status prod
  code
  | mullw 1<<(8-(R))
  | movff prodh,XN
  text XN

# A byte shifted by a count in W, in a temporary.
rule shift_byte_by_w
  goals byte_result
  op << >>
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  result TEMP
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff L,XN
  | E25N
  text XN

rule shift_byte_by_w_in_place
  goals stmt
  op =<< =>>
  pred LBYTE
  left byte_lval
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E25N

rule w_from_result
  goals wreg_byte
  chain byte_result
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | E1Lmovf (L)E2L,w
  text XN

rule opnd_from_result
  goals byte_opnd
  chain byte_result
  kind left
  text L

rule shift_word_const
  goals word_tmp
  op << >>
  pred WORD
  left word_opnd
  right byte_const
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | E24N
  text XN

rule shift_word_const_in_place
  goals stmt
  op =<< =>>
  pred LWORD
  left word_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | E24N

rule shift_word_by_w
  goals word_tmp
  op << >>
  pred WORD
  left word_opnd
  right wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | E25N
  text XN

rule shift_word_by_w_in_place
  goals stmt
  op =<< =>>
  pred LWORD
  left word_mem
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E25N

# A count of word type: its low byte counts.
rule shift_word_by_word
  goals word_tmp
  op << >>
  pred WORD RWORD
  left word_opnd
  right word_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | E1Rmovf (~0/2R)E2R,w
  | E25N
  text XN

# A word reached through a pointer: shifted from a copy and stored back
# through the pointer.
rule word_shift_left_through_pointer
  goals rewrite
  op =<<
  pred LWORD
  left fsr_word
  kind none
  text = L << L R

rule word_shift_right_through_pointer
  goals rewrite
  op =>>
  pred LWORD
  left fsr_word
  kind none
  text = L >> L R

# A rotation of an object in place by a constant count, one bit a pass:
# the carry takes the bit that comes round first.
rule rotate_byte_left_in_place
  goals stmt
  op <<>=
  pred LBYTE
  left byte_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | E1Lrlncf (L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_byte_right_in_place
  goals stmt
  op >><=
  pred LBYTE
  left byte_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | E1Lrrncf (L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_word_left_in_place
  goals stmt
  op <<>=
  pred LWORD
  left word_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~1/2L)E2L,7
  | bsf status,0,c
  | rlcf (~0/2L)E2L,f
  | rlcf (~1/2L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_word_right_in_place
  goals stmt
  op >><=
  pred LWORD
  left word_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~0/2L)E2L,0
  | bsf status,0,c
  | rrcf (~1/2L)E2L,f
  | rrcf (~0/2L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_tri_left_in_place
  goals stmt
  op <<>=
  pred LTRIWORD
  left tri_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~2/3L)E2L,7
  | bsf status,0,c
  | rlcf (~0/3L)E2L,f
  | rlcf (~1/3L)E2L,f
  | rlcf (~2/3L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_tri_right_in_place
  goals stmt
  op >><=
  pred LTRIWORD
  left tri_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~0/3L)E2L,0
  | bsf status,0,c
  | rrcf (~2/3L)E2L,f
  | rrcf (~1/3L)E2L,f
  | rrcf (~0/3L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_long_left_in_place
  goals stmt
  op <<>=
  pred LDWORD
  left long_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~3/4L)E2L,7
  | bsf status,0,c
  | rlcf (~0/4L)E2L,f
  | rlcf (~1/4L)E2L,f
  | rlcf (~2/4L)E2L,f
  | rlcf (~3/4L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1

rule rotate_long_right_in_place
  goals stmt
  op >><=
  pred LDWORD
  left long_mem
  right byte_const
  kind none
  clobber status wreg
  code
  | movlw R
  : uNN1:
  | bcf status,0,c
  | E1Lbtfsc (~0/4L)E2L,0
  | bsf status,0,c
  | rrcf (~3/4L)E2L,f
  | rrcf (~2/4L)E2L,f
  | rrcf (~1/4L)E2L,f
  | rrcf (~0/4L)E2L,f
  | decfsz wreg,f,c
  | bra uNN1
