# Widening and narrowing between bytes and words in memory.

goal zext_word

# A word cut to a byte is its low byte, where it is.
rule low_byte_of_word
  goals byte_mem
  op ->
  pred WORD_TO_BYTE
  left word_mem
  kind none
  text ~0/2L

# An unsigned byte widened to a word: the byte, then a zero high byte.
rule zext_byte_to_word
  goals zext_word
  op ->
  pred UNSCONV
  left byte_mem
  kind none
  text L
  text 0

rule store_zext_word
  goals stmt
  op =
  pred WORD
  left word_mem
  right zext_word
  kind none
  code
  | movff ~0/2R,~0/2L
  | E1Lclrf (~1/2L)E2L

# A byte taken as a byte of the other signedness: nothing to do.
rule byte_as_byte_w
  goals wreg_byte
  op ->
  pred ISBYTE LBYTE
  left wreg_byte
  kind left
  flags left_into_wanted
  text L

rule byte_as_byte_mem
  goals byte_mem
  op ->
  pred ISBYTE LBYTE
  left byte_mem
  kind left
  text L

# Any byte value widened to a word in a temporary: the high byte zero, or
# the low byte's sign.
rule zext_w_to_word
  goals word_tmp
  op ->
  pred UNSCONV WORD
  left wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  text XN

rule sext_w_to_word
  goals word_tmp
  op ->
  pred SIGNCONV WORD
  left wreg_byte
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | E1Nmovwf (~0/2XN)E2N
  | clrf (~1/2XN)E2N
  | btfsc wreg,7,c
  | setf (~1/2XN)E2N
  text XN

# The low byte of any word operand.
rule low_byte_of_opnd
  goals byte_result
  op ->
  pred WORD_TO_BYTE
  left word_opnd
  kind none
  text ~0/2L

# A word taken as a word of the other signedness, or a pointer as a word.
rule word_as_word
  goals word_opnd
  op ->
  pred WORD LWORD
  left word_opnd
  kind left
  text L
