# Conditions on one bit, truth values as bytes, and the decrement-and-skip
# loop step.

goal bit_mask bit_ref bit_set bit_clear counted

rule one_bit_mask
  goals bit_mask
  op CONST
  pred ONEBIT
  kind none
  text VN

# The bit of a byte or word that a one-bit mask picks: its byte, then the
# bit's number within it.
rule bit_of_byte
  goals bit_ref
  op &
  pred ISBYTE
  left byte_opnd
  right bit_mask
  kind none
  text (L)E2L,E26R

rule bit_of_word
  goals bit_ref
  op &
  pred WORD
  left word_opnd
  right bit_mask
  kind none
  text (CRL)E2L,E26R

rule bit_is_set
  goals bit_set
  op !=
  left bit_ref
  right @zero
  kind none
  code
  | E1J00
  text L

rule bit_is_clear
  goals bit_clear
  op ==
  left bit_ref
  right @zero
  kind none
  code
  | E1J00
  text L

# --x != 0 counts a loop down in one instruction.
rule decremented_byte
  goals counted
  label dec_byte
  op =-
  pred ISBYTE
  left byte_lval
  right @one
  kind none
  text (L)E2L

rule dec_not_zero
  goals counted
  label dec_ne_zero
  op !=
  left @dec_byte
  right @zero
  kind none
  code
  | E1J00
  text L

# A condition's truth as a byte: 0 or 1 in W by the flag it leaves.
rule truth_of_bit_set
  goals wreg_byte
  op ->
  pred ISBYTE
  left bit_set
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfsc L
  | movlw 1
  text XN

rule truth_of_bit_clear
  goals wreg_byte
  op ->
  pred ISBYTE
  left bit_clear
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfss L
  | movlw 1
  text XN

rule truth_of_z_set
  goals wreg_byte
  op ->
  pred ISBYTE
  left z_set
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfsc L
  | movlw 1
  text XN

rule truth_of_z_clear
  goals wreg_byte
  op ->
  pred ISBYTE
  left z_clear
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfss L
  | movlw 1
  text XN

rule truth_of_c_set
  goals wreg_byte
  op ->
  pred ISBYTE
  left c_set
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfsc L
  | movlw 1
  text XN

rule truth_of_c_clear
  goals wreg_byte
  op ->
  pred ISBYTE
  left c_clear
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfss L
  | movlw 1
  text XN

rule truth_of_n_set
  goals wreg_byte
  op ->
  pred ISBYTE
  left n_set
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfsc L
  | movlw 1
  text XN

rule truth_of_n_clear
  goals wreg_byte
  op ->
  pred ISBYTE
  left n_clear
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movlw 0
  | btfss L
  | movlw 1
  text XN

# A signed value below zero has its top bit set.
rule sbyte_negative
  goals bit_set
  op <
  pred LSIGNBYTE
  left byte_opnd
  right @zero
  kind none
  code
  | E1L
  text (L)E2L,7

rule sbyte_not_negative
  goals bit_clear
  op >=
  pred LSIGNBYTE
  left byte_opnd
  right @zero
  kind none
  code
  | E1L
  text (L)E2L,7

rule sword_negative
  goals bit_set
  op <
  pred LSIGNWORD
  left word_opnd
  right @zero
  kind none
  code
  | E1L
  text (~1/2L)E2L,7

rule sword_not_negative
  goals bit_clear
  op >=
  pred LSIGNWORD
  left word_opnd
  right @zero
  kind none
  code
  | E1L
  text (~1/2L)E2L,7

# A condition's truth as a word: 0 or 1 in a temporary.

rule word_truth_of_bit_set
  goals word_tmp
  op ->
  pred WORD
  left bit_set
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_bit_clear
  goals word_tmp
  op ->
  pred WORD
  left bit_clear
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_z_set
  goals word_tmp
  op ->
  pred WORD
  left z_set
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_z_clear
  goals word_tmp
  op ->
  pred WORD
  left z_clear
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_c_set
  goals word_tmp
  op ->
  pred WORD
  left c_set
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_c_clear
  goals word_tmp
  op ->
  pred WORD
  left c_clear
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_n_set
  goals word_tmp
  op ->
  pred WORD
  left n_set
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfsc L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule word_truth_of_n_clear
  goals word_tmp
  op ->
  pred WORD
  left n_clear
  result TEMP2
  kind xreg
  flags xreg_used
  clobber wreg
  code
  | movlw 0
  | btfss L
  | movlw 1
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN
