# Code labels, jumps and jumps on a byte compared with zero.

goal label_ref z_set z_clear and_z

# A code label; a function written again for an interrupt level gives
# its labels that level's prefix, as it does its name.
rule label_number
  goals label_ref
  op CONST
  kind none
  text E18NlSN

# A function's entry label, by its name.
rule label_name
  goals label_ref
  op ID
  kind none
  text SN

rule goto_label
  goals stmt
  op $U
  left label_ref
  kind none
  code
  | goto L

# A return's jump to the function's end.
rule goto_end_label
  goals stmt
  op $UE
  left label_ref
  kind none
  code
  | goto L

rule place_label
  goals stmt
  op :U
  left label_ref
  kind none
  code
  : L:

# A function's end, where its returns jump to.
rule place_end_label
  goals stmt
  op :UE
  left label_ref
  kind none
  code
  : L:

# A byte masked in W: andlw or andwf leaves Z as the test of the result
# against zero needs it.
rule and_w_const_z
  goals and_z
  op &
  pred ISBYTE
  left wreg_byte
  right byte_const
  kind left
  flags left_into_wanted
  clobber status
  code
  | andlw R
  text L

rule and_w_mem_z
  goals and_z
  op &
  pred ISBYTE
  left wreg_byte
  right byte_opnd
  kind left
  flags left_into_wanted
  clobber status
  code
  | E1Randwf (R)E2R,w
  text L

rule masked_eq_zero
  goals z_set
  op ==
  pred LBYTE
  left and_z
  right @zero
  kind none
  text status,2

rule masked_ne_zero
  goals z_clear
  op !=
  pred LBYTE
  left and_z
  right @zero
  kind none
  text status,2

# The Z flag set when the byte is zero, clear when it is not.
rule byte_eq_zero
  goals z_set
  op ==
  pred LBYTE
  left byte_opnd
  right @zero
  kind none
  clobber status
  code
  | E1Lmovf (L)E2L,f
  text status,2

rule byte_ne_zero
  goals z_clear
  op !=
  pred LBYTE
  left byte_opnd
  right @zero
  kind none
  clobber status
  code
  | E1Lmovf (L)E2L,f
  text status,2

# A byte counted down to zero: one decfsz, ahead of the Z flag.
rule jump_dec_not_zero
  goals stmt
  op $
  left @dec_ne_zero
  right label_ref
  kind none
  code
  | decfsz L,f
  | goto R

# A one-bit mask is tested in place, ahead of the Z flag.
rule jump_if_bit_set
  goals stmt
  op $
  left bit_set
  right label_ref
  kind none
  code
  | btfsc L
  | goto R

rule jump_if_bit_clear
  goals stmt
  op $
  left bit_clear
  right label_ref
  kind none
  code
  | btfss L
  | goto R

rule jump_if_z
  goals stmt
  op $
  left z_set
  right label_ref
  kind none
  code
  | btfsc status,2
  | goto R

rule jump_unless_z
  goals stmt
  op $
  left z_clear
  right label_ref
  kind none
  code
  | btfss status,2
  | goto R

# A switch statement: a byte in W, a wider value read byte by byte where
# it lies; the target macro reads the case chain, testing the value in W.
rule switch_byte
  goals stmt
  op [\
  pred LBYTE
  left wreg_byte
  kind none
  clobber status wreg
  code
  | E9N

rule switch_word
  goals stmt
  op [\
  pred LWORD
  left word_opnd
  kind none
  clobber status wreg
  code
  | E9N
