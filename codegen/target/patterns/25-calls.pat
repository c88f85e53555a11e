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

# Values of two to four bytes come back in the callee's parameter area,
# where the next call may overwrite them: they are used at once (stored, or
# taken by an assignment operator), or else copied to a temporary.
goal call_word

rule call_word_value_with_args
  goals call_word
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
  goals call_word
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
# call of the jump, which loads PCLATH (and PCLATU, target macro 35, for
# a three-byte pointer) and writes PCL.
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
  | E35Lmovff ~1/2L,pclath
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
  | E35Lmovff ~1/2L,pclath
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
  | E35Lmovff ~1/2L,pclath
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
  | E35Lmovff ~1/2L,pclath
  | E1Lmovf (~0/2L)E2L,w
  | movwf pcl,c
  : uNN2:
  text XN

rule call_word_through_pointer_with_args
  goals call_word
  op (
  pred WORD
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
  text ?SN
  text ?SN+1

rule call_word_through_pointer
  goals call_word
  op (
  pred WORD
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
  text ?SN
  text ?SN+1

rule word_tmp_from_call
  goals word_tmp
  chain call_word
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  text XN

rule store_call_word
  goals stmt
  op =
  pred WORD
  left word_mem
  right call_word
  kind none
  code
  | movff ~0/2R,~0/2L
  | movff ~1/2R,~1/2L

rule call_word_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred WORD
  left word_mem
  right call_word
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf (~0/2L)E2L,f
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/2L)E2L,f

# main's value of two to four bytes goes nowhere: it is worked out for
# what that does, and dropped.
rule return_dropped
  goals stmt
  op )
  pred WORD
  left word_opnd
  kind none

rule return_dropped_tri
  goals stmt
  op )
  pred TRIWORD
  left tri_opnd
  kind none

rule return_dropped_long
  goals stmt
  op )
  pred DWORD
  left long_opnd
  kind none
