# A small description for the selection tests: a byte stepped in W or, when
# W is taken, in a temporary; a difference whose operands both need W; a
# template that reports an error; a rewrite that never comes to an end.

goal byte_mem byte_const wreg_byte temp_byte

rule byte_id
  goals byte_mem
  op ID
  pred ISBYTE
  kind none
  text SN

rule one_byte
  goals byte_const
  label one
  op CONST
  pred ISONE
  kind none
  text VN

rule zero_byte
  goals byte_const
  label zero
  op CONST
  pred ISZERO
  kind none
  text VN

rule w_from_mem
  goals wreg_byte
  chain byte_mem
  result wreg
  kind xreg
  flags xreg_used
  code
  | movf L,w
  text XN

rule step_in_w
  goals wreg_byte
  op +
  pred ISBYTE
  left wreg_byte
  right @one
  kind left
  flags left_into_wanted
  clobber status
  code
  | addlw R
  text L

# Without W the byte is copied to a temporary and stepped there.
rule step_in_temp
  goals temp_byte
  op +
  pred ISBYTE
  left byte_mem
  right @one
  result TEMP
  kind xreg
  flags xreg_used
  clobber status
  code
  | movff L,XN
  | incf XN,f
  text XN

rule store_w
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right wreg_byte
  kind none
  flags right_into_wanted
  code
  | movwf L

rule store_temp
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right temp_byte
  kind none
  code
  | movff R,L

# Clearing through FSR0, the second work register.
rule clear_indirect
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right @zero
  second fsr0
  kind none
  code
  | lfsr ~YN,L
  | clrf indf~YN

rule sizes_unresolved
  goals stmt
  op #
  kind none
  code
  | #error - sizes not resolved

# Both operands in W: one would have to be kept across the other's code.
rule diff_in_w
  goals wreg_byte
  op -
  pred ISBYTE
  left wreg_byte
  right wreg_byte
  kind left
  clobber status
  code
  | subwf R,w
  text L

# A negation becomes itself again, in every pass.
rule negate_forever
  goals rewrite
  op -U
  kind none
  text -U L
