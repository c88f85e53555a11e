# Bit-fields tested in place. A field's value is also a byte (34-bits.pat
# works it out in W), so the tests of bytes would take a field too, at the
# cost of working it out: these rules come before them. The rest of the
# rules of bit objects and bit-fields are in 34-bits.pat.

goal bf_opnd bf1_opnd

# The byte that holds the field, as an operand. Its value is the byte's,
# so that a pair the byte is reached through stays loaded beside it.
rule bitfield_opnd
  goals bf_opnd
  op BITFIELD
  left byte_opnd
  kind left
  text (L)E2L

rule one_bit_field
  goals bf1_opnd
  op BITFIELD
  pred ONEBITF
  left byte_opnd
  kind left
  text (L)E2L

# A field of one bit is its bit, tested as it is.
rule field_bit_set
  goals bit_set
  label field_bit_set
  op !=
  left bf1_opnd
  right @zero
  kind none
  code
  | E1J00
  text L,CL

rule field_bit_clear
  goals bit_clear
  label field_bit_clear
  op ==
  left bf1_opnd
  right @zero
  kind none
  code
  | E1J00
  text L,CL

rule jump_if_field_bit_set
  goals stmt
  op $
  left @field_bit_set
  right label_ref
  kind none
  code
  | btfsc L
  | goto R

rule jump_if_field_bit_clear
  goals stmt
  op $
  left @field_bit_clear
  right label_ref
  kind none
  code
  | btfss L
  | goto R

# A field compared with a constant: Z set when they are equal.
rule field_eq_const
  goals z_set
  op ==
  left bf_opnd
  right byte_const
  kind none
  clobber wreg status
  code
  | E1J00E69N
  text status,2

rule field_ne_const
  goals z_clear
  op !=
  left bf_opnd
  right byte_const
  kind none
  clobber wreg status
  code
  | E1J00E69N
  text status,2
