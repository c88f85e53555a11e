# Operands and moves of bytes and words.

goal byte_mem byte_const wreg_byte word_mem word_const ram_id

# A variable in data memory, named by its address (not one held in W).
rule ram_id_leaf
  goals ram_id
  op ID
  pred ISRAM !HASWREG
  kind none
  text SN

rule byte_mem_id
  goals byte_mem
  chain ram_id
  pred ISBYTE
  kind left
  text L

# A constant zero, for the rules that clear.
rule zero_byte
  goals byte_const
  label zero
  op CONST
  pred ISZERO
  kind none
  text VN

# One, for the rules that step by one.
rule one_byte
  goals byte_const
  label one
  op CONST
  pred ISONE
  kind none
  text VN

# All ones, for the rules that set every bit.
rule all_ones_byte
  goals byte_const
  label all_ones
  op CONST
  pred MINUS_ONE
  kind none
  text VN

rule byte_const_leaf
  goals byte_const
  op CONST
  kind none
  text VN

rule w_from_const
  goals wreg_byte
  op CONST
  result wreg
  kind xreg
  flags xreg_used
  code
  | movlw VN
  text XN

# Any byte in memory can be brought into W.
rule w_from_mem
  goals wreg_byte
  chain byte_mem
  result wreg
  kind xreg
  flags xreg_used
  code
  | E1Lmovf (L)E2L,w
  text XN

rule clear_byte
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right @zero
  kind none
  code
  | E1Lclrf (L)E2L

rule set_byte
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right @all_ones
  kind none
  code
  | E1Lsetf (L)E2L

rule move_byte_mem
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right byte_mem
  kind none
  code
  | movff R,L

rule store_w_byte
  goals stmt
  op =
  pred ISBYTE
  left byte_mem
  right wreg_byte
  kind none
  flags right_into_wanted
  code
  | E1Lmovwf (L)E2L

# A word variable: its low byte, then its high byte.
rule word_mem_id
  goals word_mem
  chain ram_id
  pred WORD
  kind left
  text L
  text L+1

rule move_word_mem
  goals stmt
  op =
  pred WORD
  left word_mem
  right word_mem
  kind none
  code
  | movff ~0/2R,~0/2L
  | movff ~1/2R,~1/2L

# A word constant: its bytes are picked by the selection of the rule using it.
rule word_const_leaf
  goals word_const
  op CONST
  kind none
  text VN

# Zero stored by clearing each byte: W is left alone.
rule clear_word
  goals stmt
  op =
  pred WORD
  left word_mem
  right @zero
  kind none
  code
  | E1Lclrf (~0/2L)E2L
  | E1Lclrf (~1/2L)E2L

rule store_word_const
  goals stmt
  op =
  pred WORD
  left word_mem
  right word_imm
  kind none
  clobber wreg
  code
  | movlw ~0/2R
  | E1Lmovwf (~0/2L)E2L
  | movlw ~1/2R
  | movwf (~1/2L)E2L

# Variables the allocator keeps in registers other than W, named through
# their REG nodes: PROD, the FSRs, the byte temporaries.
rule byte_reg_node
  goals byte_mem
  op REG
  pred HASBYTEREG !HASWREG
  kind own
  text GN

rule word_reg_node
  goals word_mem
  op REG
  pred HASWORDREG
  kind own
  text GN

# A volatile object read as a statement of its own (an update that leaves
# it as it was): each byte is read once.
rule read_byte_for_effect
  goals stmt
  chain byte_mem
  pred ISBYTE
  kind none
  clobber wreg status
  code
  | E1Lmovf (L)E2L,w

rule read_word_for_effect
  goals stmt
  chain word_mem
  pred WORD
  kind none
  clobber wreg status
  code
  | E1Lmovf (~0/2L)E2L,w
  | movf (~1/2L)E2L,w
