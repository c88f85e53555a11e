# Words: sums and differences built in PROD, stores of PROD, compound
# assignments in place, and compares. A word compare subtracts with the
# borrow through both bytes, so the carry and, with OV folded in, N hold the
# unsigned and signed results as for bytes; equality ORs the bytes' XORs.

goal word_reg

rule add_word_const
  goals word_reg
  op +
  pred WORD
  left word_opnd
  right word_imm
  result prod
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Laddwf (~0/2L)E2L,w
  | movwf prodl,c
  | movlw ~1/2R
  | E1Laddwfc (~1/2L)E2L,w
  | movwf prodh,c
  text XN

rule add_words
  goals word_reg
  op +
  pred WORD
  left word_opnd
  right word_opnd
  result prod
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Laddwf (~0/2L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/2R)E2R,w
  | E1Laddwfc (~1/2L)E2L,w
  | movwf prodh,c
  text XN

rule sub_words
  goals word_reg
  op -
  pred WORD
  left word_opnd
  right word_opnd
  result prod
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,w
  | movwf prodh,c
  text XN

rule store_word_reg
  goals stmt
  op =
  pred WORD
  left word_mem
  right word_reg
  kind none
  code
  | movff ~0/2R,~0/2L
  | movff ~1/2R,~1/2L

rule add_one_word
  goals stmt
  op =+
  pred WORD
  left word_mem
  right @one
  kind none
  clobber status
  code
  | E1Linfsnz (~0/2L)E2L,f
  | E1Lincf (~1/2L)E2L,f

# The borrow of the low byte's step comes off the high byte.
rule sub_one_word
  goals stmt
  op =-
  pred WORD
  left word_mem
  right @one
  kind none
  clobber status wreg
  code
  | E1Ldecf (~0/2L)E2L,f
  | movlw 0
  | E1Lsubwfb (~1/2L)E2L,f

# An unsigned byte added to a word in place: the carry into the high byte.
rule add_ubyte_word_in_place
  goals stmt
  op =+
  pred WORD
  left word_mem
  right wreg_index
  kind none
  clobber status wreg
  code
  | E1Laddwf (~0/2L)E2L,f
  | movlw 0
  | E1Laddwfc (~1/2L)E2L,f

rule add_word_const_in_place
  goals stmt
  op =+
  pred WORD
  left word_mem
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Laddwf (~0/2L)E2L,f
  | movlw ~1/2R
  | E1Laddwfc (~1/2L)E2L,f

rule add_word_mem_in_place
  goals stmt
  op =+
  pred WORD
  left word_mem
  right word_mem
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Laddwf (~0/2L)E2L,f
  | E1Rmovf (~1/2R)E2R,w
  | E1Laddwfc (~1/2L)E2L,f

rule sub_word_const_in_place
  goals stmt
  op =-
  pred WORD
  left word_mem
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Lsubwf (~0/2L)E2L,f
  | movlw ~1/2R
  | E1Lsubwfb (~1/2L)E2L,f

rule sub_word_mem_in_place
  goals stmt
  op =-
  pred WORD
  left word_mem
  right word_mem
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,f
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,f

rule inc_word
  goals stmt
  op ++
  pred WORD
  left word_mem
  right @one
  kind none
  clobber status
  code
  | E1Linfsnz (~0/2L)E2L,f
  | E1Lincf (~1/2L)E2L,f

rule uword_lt_const
  goals c_clear
  op <
  pred LUNSWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Lsubwf (~0/2L)E2L,w
  | movlw ~1/2R
  | E1Lsubwfb (~1/2L)E2L,w
  text status,0

rule uword_lt_mem
  goals c_clear
  op <
  pred LUNSWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,w
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,w
  text status,0

rule uword_ge_const
  goals c_set
  op >=
  pred LUNSWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Lsubwf (~0/2L)E2L,w
  | movlw ~1/2R
  | E1Lsubwfb (~1/2L)E2L,w
  text status,0

rule uword_ge_mem
  goals c_set
  op >=
  pred LUNSWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,w
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,w
  text status,0

rule uword_gt_mem
  goals c_clear
  op >
  pred LUNSWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Rsubwf (~0/2R)E2R,w
  | E1Lmovf (~1/2L)E2L,w
  | E1Rsubwfb (~1/2R)E2R,w
  text status,0

rule uword_le_mem
  goals c_set
  op <=
  pred LUNSWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Rsubwf (~0/2R)E2R,w
  | E1Lmovf (~1/2L)E2L,w
  | E1Rsubwfb (~1/2R)E2R,w
  text status,0

rule sword_lt_const
  goals n_set
  op <
  pred LSIGNWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Lsubwf (~0/2L)E2L,w
  | movlw ~1/2R
  | E1Lsubwfb (~1/2L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sword_lt_mem
  goals n_set
  op <
  pred LSIGNWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,w
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sword_ge_const
  goals n_clear
  op >=
  pred LSIGNWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | E1Lsubwf (~0/2L)E2L,w
  | movlw ~1/2R
  | E1Lsubwfb (~1/2L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sword_ge_mem
  goals n_clear
  op >=
  pred LSIGNWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lsubwf (~0/2L)E2L,w
  | E1Rmovf (~1/2R)E2R,w
  | E1Lsubwfb (~1/2L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sword_gt_mem
  goals n_set
  op >
  pred LSIGNWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Rsubwf (~0/2R)E2R,w
  | E1Lmovf (~1/2L)E2L,w
  | E1Rsubwfb (~1/2R)E2R,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sword_le_mem
  goals n_clear
  op <=
  pred LSIGNWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Rsubwf (~0/2R)E2R,w
  | E1Lmovf (~1/2L)E2L,w
  | E1Rsubwfb (~1/2R)E2R,w
  | btfsc status,3
  | xorlw 080h
  text status,4

# A word against zero: its bytes ORed together set Z.
rule word_eq_zero
  goals z_set
  op ==
  pred LWORD
  left word_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Liorwf (~1/2L)E2L,w
  text status,2

rule word_ne_zero
  goals z_clear
  op !=
  pred LWORD
  left word_opnd
  right @zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~0/2L)E2L,w
  | E1Liorwf (~1/2L)E2L,w
  text status,2

rule word_eq_const
  goals z_set
  op ==
  pred LWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/2R
  | E1Lxorwf (~0/2L)E2L,w
  | movwf prodl,c
  | movlw ~1/2R
  | E1Lxorwf (~1/2L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule word_eq_mem
  goals z_set
  op ==
  pred LWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lxorwf (~0/2L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/2R)E2R,w
  | E1Lxorwf (~1/2L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule word_ne_const
  goals z_clear
  op !=
  pred LWORD
  left word_opnd
  right word_imm
  kind none
  clobber status wreg prod
  code
  | movlw ~0/2R
  | E1Lxorwf (~0/2L)E2L,w
  | movwf prodl,c
  | movlw ~1/2R
  | E1Lxorwf (~1/2L)E2L,w
  | iorwf prodl,w,c
  text status,2

rule word_ne_mem
  goals z_clear
  op !=
  pred LWORD
  left word_opnd
  right word_opnd
  kind none
  clobber status wreg prod
  code
  | E1Rmovf (~0/2R)E2R,w
  | E1Lxorwf (~0/2L)E2L,w
  | movwf prodl,c
  | E1Rmovf (~1/2R)E2R,w
  | E1Lxorwf (~1/2L)E2L,w
  | iorwf prodl,w,c
  text status,2

# x = -x, in place.
rule negate_word_in_place
  goals stmt
  op =
  pred WORD SAMEID
  left word_mem
  right @negated_word
  kind none
  clobber status
  code
  | E1Lnegf (~0/2L)E2L
  | comf (~1/2L)E2L,f
  | btfsc status,0,c
  | incf (~1/2L)E2L,f


# Two unsigned bytes widened to words: the whole product in PROD.
rule mul_widened_bytes
  goals word_reg
  op *
  pred WORD
  left wreg_index
  right ubyte_wide
  result prod
  kind xreg
  flags xreg_used
  code
  | E1Rmulwf (R)E2R
  text XN

rule mul_widened_byte_const
  goals word_reg
  op *
  pred WORD
  left wreg_index
  right ubyte_const
  result prod
  kind xreg
  flags xreg_used
  code
  | mullw R
  text XN
