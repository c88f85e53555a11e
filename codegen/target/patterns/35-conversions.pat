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
