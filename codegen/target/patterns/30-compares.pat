# Byte compares and the jumps on their flags. An unsigned compare leaves
# the carry (no borrow); a signed one leaves N after folding in OV, so N is
# the sign of the true difference.

goal c_set c_clear n_set n_clear

rule ubyte_lt
  goals c_clear
  op <
  pred LUNSBYTE
  left byte_opnd
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E1Lsubwf (L)E2L,w
  text status,0

rule ubyte_ge
  goals c_set
  op >=
  pred LUNSBYTE
  left byte_opnd
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E1Lsubwf (L)E2L,w
  text status,0

# A byte in W against a constant: L < K is K - 1 - L without a borrow.
rule ubyte_lt_w_const
  goals c_set
  op <
  pred LUNSBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R-1
  text status,0

rule ubyte_ge_w_const
  goals c_clear
  op >=
  pred LUNSBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R-1
  text status,0

rule ubyte_gt_const
  goals c_clear
  op >
  pred LUNSBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R
  text status,0

rule ubyte_gt_mem
  goals c_clear
  op >
  pred LUNSBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rsubwf (R)E2R,w
  text status,0

rule ubyte_le_const
  goals c_set
  op <=
  pred LUNSBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R
  text status,0

rule ubyte_le_mem
  goals c_set
  op <=
  pred LUNSBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rsubwf (R)E2R,w
  text status,0

rule sbyte_lt
  goals n_set
  op <
  pred LSIGNBYTE
  left byte_opnd
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E1Lsubwf (L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sbyte_ge
  goals n_clear
  op >=
  pred LSIGNBYTE
  left byte_opnd
  right wreg_byte
  kind none
  clobber status wreg
  code
  | E1Lsubwf (L)E2L,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sbyte_gt_const
  goals n_set
  op >
  pred LSIGNBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sbyte_gt_mem
  goals n_set
  op >
  pred LSIGNBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rsubwf (R)E2R,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sbyte_le_const
  goals n_clear
  op <=
  pred LSIGNBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | sublw R
  | btfsc status,3
  | xorlw 080h
  text status,4

rule sbyte_le_mem
  goals n_clear
  op <=
  pred LSIGNBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rsubwf (R)E2R,w
  | btfsc status,3
  | xorlw 080h
  text status,4

rule byte_eq_const
  goals z_set
  op ==
  pred LBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | xorlw R
  text status,2

rule byte_eq_mem
  goals z_set
  op ==
  pred LBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rxorwf (R)E2R,w
  text status,2

rule byte_ne_const
  goals z_clear
  op !=
  pred LBYTE
  left wreg_byte
  right byte_const
  kind none
  clobber status wreg
  code
  | xorlw R
  text status,2

rule byte_ne_mem
  goals z_clear
  op !=
  pred LBYTE
  left wreg_byte
  right byte_opnd
  kind none
  clobber status wreg
  code
  | E1Rxorwf (R)E2R,w
  text status,2

rule jump_if_c_set
  goals stmt
  op $
  left c_set
  right label_ref
  kind none
  code
  | btfsc status,0
  | goto R

rule jump_if_c_clear
  goals stmt
  op $
  left c_clear
  right label_ref
  kind none
  code
  | btfss status,0
  | goto R

rule jump_if_n_set
  goals stmt
  op $
  left n_set
  right label_ref
  kind none
  code
  | btfsc status,4
  | goto R

rule jump_if_n_clear
  goals stmt
  op $
  left n_clear
  right label_ref
  kind none
  code
  | btfss status,4
  | goto R
