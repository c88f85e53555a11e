# The general rules every byte value can fall back on: any byte operand of
# an instruction is a variable, the byte an FSR points at, or a value put
# in a temporary of the compiled stack; any value can be worked out in W.
# The specific rules of the other files come first where they fit.

goal byte_opnd byte_tmp byte_lval

# A destination: a byte in memory or the byte an FSR points at.
rule lval_from_mem
  goals byte_lval
  chain byte_mem
  kind left
  text L

rule lval_from_fsr
  goals byte_lval
  chain fsr_byte
  kind left
  text L

rule opnd_from_mem
  goals byte_opnd
  chain byte_mem
  kind left
  text L

rule opnd_from_fsr
  goals byte_opnd
  chain fsr_byte
  kind left
  text L

rule opnd_from_tmp
  goals byte_opnd
  chain byte_tmp
  kind left
  text L

# A value in W kept while W is wanted for its sibling.
rule tmp_from_w
  goals byte_tmp
  chain wreg_byte
  result TEMP
  kind xreg
  flags xreg_used
  code
  | E1Nmovwf (XN)E2N
  text XN

# A byte variable that lives in W.
rule w_held_id
  goals wreg_byte
  op ID
  pred ISBYTE HASWREG
  kind own
  text SN

# Operators with a form for W and a file register.
rule op_w_opnd
  goals wreg_byte
  op + & | ^
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1RONwf (R)E2R,w
  text L

rule op_opnd_w
  goals wreg_byte
  op + & | ^ -
  pred ISBYTE
  left byte_opnd
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | E1LONwf (L)E2L,w
  text R

rule op_w_literal
  goals wreg_byte
  op + & | ^
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status
  code
  | ONlw R
  text L

# K - W has an instruction of its own.
rule literal_minus_w
  goals wreg_byte
  op -
  pred ISBYTE
  left byte_const
  right wreg_byte
  kind right
  flags right_into_wanted
  clobber status
  code
  | sublw L
  text R

rule w_minus_opnd
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

# Compound assignments in place: the file register is the destination.
rule op_in_place_w
  goals stmt
  op =+ =& =| =^ =-
  pred ISBYTE
  left byte_lval
  right wreg_byte
  kind none
  clobber status
  code
  | E1LONwf (L)E2L,f

# The right operand in memory or a temporary, read into W only when the
# left one's address is worked out (through an FSR that needs W too).
rule op_in_place_opnd
  goals stmt
  op =+ =& =| =^ =-
  pred ISBYTE
  left byte_lval
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (R)E2R,w
  | E1LONwf (L)E2L,f

rule store_byte_const
  goals stmt
  op =
  pred ISBYTE
  left byte_lval
  right byte_const
  kind none
  clobber wreg
  code
  | movlw R
  | E1Lmovwf (L)E2L

# Words: any word operand is a variable, PROD or a temporary; any word
# value can be worked out into a temporary, byte by byte through W, the
# carry or borrow passing from the low byte to the high one.

goal word_opnd word_tmp

rule word_opnd_from_mem
  goals word_opnd
  chain word_mem
  kind left
  text L

rule word_opnd_from_prod
  goals word_opnd
  chain word_reg
  kind left
  text L

rule word_opnd_from_tmp
  goals word_opnd
  chain word_tmp
  kind left
  text L

rule word_op_const_tmp
  goals word_tmp
  op + - & | ^
  pred WORD
  left word_opnd
  right word_imm
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/2R
  | E1LONwf (~0/2L)E2L,w
  | E1Nmovwf (~0/2XN)E2N
  | movlw ~1/2R
  | E1LQ2N (~1/2L)E2L,w
  | E1Nmovwf (~1/2XN)E2N
  text XN

rule word_op_tmp
  goals word_tmp
  op + - & | ^
  pred WORD
  left word_opnd
  right word_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf (~0/2L)E2L,w
  | E1Nmovwf (~0/2XN)E2N
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/2L)E2L,w
  | E1Nmovwf (~1/2XN)E2N
  text XN

# A constant an instruction cannot take as it stands.
rule word_tmp_from_const
  goals word_tmp
  chain word_imm
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw ~0/2L
  | E1Nmovwf (~0/2XN)E2N
  | movlw ~1/2L
  | E1Nmovwf (~1/2XN)E2N
  text XN

rule word_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred WORD
  left word_mem
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1LONwf (~0/2L)E2L,f
  | movlw ~1/2R
  | E1LQ2N (~1/2L)E2L,f

rule word_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred WORD
  left word_mem
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf (~0/2L)E2L,f
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/2L)E2L,f

rule store_word
  goals stmt
  op =
  pred WORD
  left word_mem
  right word_opnd
  kind none
  code
  | movff ~0/2R,~0/2L
  | movff ~1/2R,~1/2L

# Negation and complement of a word: in place, or into a temporary.
rule negated_word
  goals word_tmp
  label negated_word
  op -U
  pred WORD
  left word_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | E1Nnegf (~0/2XN)E2N
  | comf (~1/2XN)E2N,f
  | btfsc status,0,c
  | incf (~1/2XN)E2N,f
  text XN

rule complement_word
  goals word_tmp
  op ~
  pred WORD
  left word_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | E1Ncomf (~0/2XN)E2N,f
  | comf (~1/2XN)E2N,f
  text XN

# Assignments whose value is used: the work is done in place and the
# result read back.
rule assign_op_value
  goals wreg_byte
  op =+ =& =| =^ =-
  pred ISBYTE
  left byte_lval
  right wreg_byte
  result wreg
  kind xreg
  flags xreg_used right_uses_xy
  clobber status
  code
  | E1LONwf (L)E2L,f
  | movf (L)E2L,w
  text XN

rule assign_value
  goals wreg_byte
  op =
  pred ISBYTE
  left byte_lval
  right wreg_byte
  kind right
  flags right_into_wanted
  code
  | E1Lmovwf (L)E2L
  text R

# A byte index added to a word, as pointer arithmetic makes it: widened
# by its signedness on the way.
rule word_plus_ubyte
  goals word_tmp
  op +
  pred WORD RUNSBYTE
  left word_opnd
  right wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Laddwf (~0/2L)E2L,w
  | E1Nmovwf (~0/2XN)E2N
  | movlw 0
  | E1Laddwfc (~1/2L)E2L,w
  | E1Nmovwf (~1/2XN)E2N
  text XN

rule imm_plus_ubyte
  goals word_tmp
  op +
  pred WORD RUNSBYTE
  left word_imm
  right wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | addlw ~0/2L
  | E1Nmovwf (~0/2XN)E2N
  | movlw ~1/2L
  | movwf (~1/2XN)E2N
  | btfsc status,0,c
  | incf (~1/2XN)E2N,f
  text XN

rule word_plus_sbyte
  goals word_tmp
  op +
  pred WORD RSIGNBYTE
  left word_opnd
  right wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  | btfsc wreg,7,c
  | setf (~1/2XN)E2N
  | E1Lmovf (~0/2L)E2L,w
  | E1Naddwf (~0/2XN)E2N,f
  | E1Lmovf (~1/2L)E2L,w
  | E1Naddwfc (~1/2XN)E2N,f
  text XN

rule imm_plus_sbyte
  goals word_tmp
  op +
  pred WORD RSIGNBYTE
  left word_imm
  right wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  | btfsc wreg,7,c
  | setf (~1/2XN)E2N
  | movlw ~0/2L
  | addwf (~0/2XN)E2N,f
  | movlw ~1/2L
  | addwfc (~1/2XN)E2N,f
  text XN

rule store_byte_opnd
  goals stmt
  op =
  pred ISBYTE
  left byte_lval
  right byte_opnd
  kind none
  code
  | movff R,L

# A post-increment or post-decrement whose value is used: the old value,
# then the variable stepped in place.
rule word_step_value
  goals word_tmp
  op ++ --
  pred WORD
  left word_mem
  right word_imm
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  | movlw ~0/2R
  | E1LQ1Nwf (~0/2L)E2L,f
  | movlw ~1/2R
  | Q2N (~1/2L)E2L,f
  text XN

rule byte_step_value
  goals wreg_byte
  op ++ --
  pred ISBYTE
  left byte_lval
  right @one
  result wreg
  kind xreg
  flags xreg_used
  clobber status
  code
  | E1Lmovf (L)E2L,w
  | ONf (L)E2L,f
  text XN

rule word_assign_op_value
  goals word_tmp
  op =+ =- =& =| =^
  pred WORD
  left word_mem
  right word_imm
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/2R
  | E1LONwf (~0/2L)E2L,f
  | movlw ~1/2R
  | E1LQ2N (~1/2L)E2L,f
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  text XN

rule word_assign_op_opnd_value
  goals word_tmp
  op =+ =- =& =| =^
  pred WORD
  left word_mem
  right word_opnd
  result TEMP2
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1LONwf (~0/2L)E2L,f
  | E1Rmovf (~1/2R)E2R,w
  | E1LQ2N (~1/2L)E2L,f
  | movff ~0/2L,~0/2XN
  | movff ~1/2L,~1/2XN
  text XN
