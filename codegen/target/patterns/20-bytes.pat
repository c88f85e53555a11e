# Byte operations in W: subtraction, the bitwise operators, negation and
# shifts by a constant count. A shift multiplies by a power of two in the
# hardware multiplier: the product's low byte is the left shift, its high
# byte the unsigned right shift; a signed right shift shifts the value
# offset by 80h and takes the offset's shift back off. Byte products come
# from the multiplier too.

rule sub_mem_w
  goals wreg_byte
  op -
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1Lsubwf (L)E2L,w
  text R

rule sub_w_mem
  goals wreg_byte
  op -
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Rsubwf (R)E2R,w
  | negf wreg
  text L

rule and_w_const
  goals wreg_byte
  op &
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status
  code
  | andlw R
  text L

rule and_w_mem
  goals wreg_byte
  op &
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Randwf (R)E2R,w
  text L

rule or_w_const
  goals wreg_byte
  op |
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status
  code
  | iorlw R
  text L

rule or_w_mem
  goals wreg_byte
  op |
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Riorwf (R)E2R,w
  text L

rule xor_w_const
  goals wreg_byte
  op ^
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status
  code
  | xorlw R
  text L

rule xor_w_mem
  goals wreg_byte
  op ^
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Rxorwf (R)E2R,w
  text L

# The same with the left operand in memory and the right one in W.

rule add_mem_plus_w
  goals wreg_byte
  op +
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1Laddwf (L)E2L,w
  text R

rule and_mem_with_w
  goals wreg_byte
  op &
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1Landwf (L)E2L,w
  text R

rule or_mem_with_w
  goals wreg_byte
  op |
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1Liorwf (L)E2L,w
  text R

rule xor_mem_with_w
  goals wreg_byte
  op ^
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1Lxorwf (L)E2L,w
  text R

rule complement_w
  goals wreg_byte
  op ~
  pred ISBYTE
  left wreg_byte
  kind left
  flags left_into_wanted
  clobber status
  code
  | xorlw 0ffh
  text L

rule negate_w
  goals wreg_byte
  op -U
  pred ISBYTE
  left wreg_byte
  kind left
  flags left_into_wanted
  clobber status
  code
  | negf wreg
  text L

rule shift_left_w
  goals wreg_byte
  op <<
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status prod
  code
  | mullw 1<<(R)
  | movf prodl,w
  text L

rule shift_right_unsigned_w
  goals wreg_byte
  op >>
  pred UNSBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status prod
  code
  | mullw 1<<(8-(R))
  | movf prodh,w
  text L

rule shift_right_signed_w
  goals wreg_byte
  op >>
  pred SIGNBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status prod
  code
  | xorlw 080h
  | mullw 1<<(8-(R))
  | movf prodh,w
  | addlw 0100h-(080h>>(R))
  text L

# Byte products from the hardware multiplier.
rule mul_w_const
  goals wreg_byte
  op *
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status prod
  code
  | mullw R
  | movf prodl,w
  text L

rule mul_w_mem
  goals wreg_byte
  op *
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status prod
  code
  | E1Rmulwf (R)E2R
  | movf prodl,w
  text L

# A sum done in int (around a call, which the folding leaves wide) and cut
# back to a byte needs only its low byte: it is worked out in W.
goal wreg_low

rule low_of_widened_byte
  goals wreg_low
  op ->
  pred LBYTE
  left wreg_byte
  kind left
  text L

rule low_add_const
  goals wreg_low
  op +
  left wreg_low
  right word_imm
  kind left
  flags left_into_wanted
  clobber status
  code
  | addlw ~0/2R
  text L

rule byte_of_low
  goals wreg_byte
  op ->
  pred WORD_TO_BYTE
  left wreg_low
  kind left
  text L

rule mul_in_place
  goals stmt
  op =*
  pred ISBYTE
  left byte_lval
  right wreg_byte
  kind none
  clobber status prod
  code
  | E1Lmulwf (L)E2L
  | movff prodl,L
