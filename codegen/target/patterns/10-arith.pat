# Byte arithmetic in W.

rule add_w_const
  goals wreg_byte
  op +
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  code
  | addlw R
  text L

rule add_w_mem
  goals wreg_byte
  op +
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Raddwf (R)E2R,w
  text L

# A byte stepped by one as a statement: one instruction.
rule add_one_mem
  goals stmt
  op =+
  pred ISBYTE
  left byte_mem
  right @one
  kind none
  clobber status
  code
  | E1Lincf (L)E2L,f

rule sub_one_mem
  goals stmt
  op =-
  pred ISBYTE
  left byte_mem
  right @one
  kind none
  clobber status
  code
  | E1Ldecf (L)E2L,f

rule add_mem_w
  goals stmt
  op =+
  pred ISBYTE
  left byte_mem
  right wreg_byte
  kind none
  clobber status
  code
  | E1Laddwf (L)E2L,f

rule inc_mem
  goals stmt
  op ++
  pred ISBYTE
  left byte_mem
  right @one
  kind none
  clobber status
  code
  | E1Lincf (L)E2L,f

# A byte shifted in place by a constant count.
rule shift_right_byte
  goals stmt
  op =>>
  pred LBYTE
  left byte_mem
  right byte_const
  kind none
  clobber status
  code
  | E1LE16N

rule shift_left_byte
  goals stmt
  op =<<
  pred LBYTE
  left byte_mem
  right byte_const
  kind none
  clobber status
  code
  | E1LE16N
