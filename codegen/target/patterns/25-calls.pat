# Calls of functions known by name.

goal func_name

rule func_id
  goals func_name
  op ID
  kind none
  text SN

# The arguments' stores, each a statement, run before the call.
rule call_arguments
  goals stmt
  op CALLARGS
  kind none

rule call_stmt_with_args
  goals stmt
  op (
  left func_name
  right stmt
  kind none
  flags call
  code
  | call L

# A call node built without an argument list.
rule call_stmt
  goals stmt
  op (
  left func_name
  kind none
  flags call
  code
  | call L

rule call_byte_value_with_args
  goals wreg_byte
  op (
  pred ISBYTE
  left func_name
  right stmt
  result wreg
  kind xreg
  flags call xreg_used left_uses_xy right_uses_xy
  code
  | call L
  text XN

rule call_byte_value
  goals wreg_byte
  op (
  pred ISBYTE
  left func_name
  result wreg
  kind xreg
  flags call xreg_used left_uses_xy right_uses_xy
  code
  | call L
  text XN

# Arguments and results of one byte travel in W.
goal w_target

rule w_register
  goals w_target
  op REG
  pred HASWREG
  kind none
  text wreg

rule byte_argument_in_w
  goals stmt
  op =
  pred ISBYTE
  left w_target
  right wreg_byte
  rreg wreg
  kind none
  flags right_into_wanted

rule return_byte
  goals stmt
  op )
  pred ISBYTE
  left wreg_byte
  lreg wreg
  kind none
  flags left_into_wanted

# A byte held in W, as a parameter that arrived there.
rule w_param
  goals wreg_byte
  op REG
  pred HASWREG
  result wreg
  kind xreg
  flags xreg_used
  text XN

# Values of two to four bytes come back in the callee's parameter area.
rule call_word_value_with_args
  goals word_mem
  op (
  pred WORD
  left func_name
  right stmt
  kind none
  flags call
  code
  | call L
  text ?SN
  text ?SN+1

rule call_word_value
  goals word_mem
  op (
  pred WORD
  left func_name
  kind none
  flags call
  code
  | call L
  text ?SN
  text ?SN+1

# Calls through a pointer: the return address is pushed by a relative
# call of the jump, which loads PCLATH (and PCLATU) and writes PCL.
goal code_ptr

rule code_ptr_deref
  goals code_ptr
  op *U
  left word_opnd
  kind none
  text L

rule call_through_pointer_with_args
  goals stmt
  op (
  left code_ptr
  right stmt
  kind none
  flags call
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | movff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:

rule call_through_pointer
  goals stmt
  op (
  left code_ptr
  kind none
  flags call
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | movff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:

rule call_byte_through_pointer_with_args
  goals wreg_byte
  op (
  pred ISBYTE
  left code_ptr
  right stmt
  result wreg
  kind xreg
  flags call xreg_used left_uses_xy right_uses_xy
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | movff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:
  text XN

rule call_byte_through_pointer
  goals wreg_byte
  op (
  pred ISBYTE
  left code_ptr
  result wreg
  kind xreg
  flags call xreg_used left_uses_xy right_uses_xy
  code
  | rcall uNN1
  | bra uNN2
  : uNN1:
  | movff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:
  text XN

