# Bit objects and bit-fields.
#
# A bit object's symbol stands for its bit address, the byte's address
# times 8 plus the bit's number: an instruction names it as the byte
# (SN/8) and the bit (SN)&7. Its bank selection is E74, which knows that
# address. A bit converted from a wider value is that value's lowest bit,
# as the folding of the tree rewriter takes it; a bit function returns its
# value in the carry.
#
# A bit-field is a BITFIELD node over the byte that holds it; the member
# gives its width (1 to 8) and its bit offset. Macros E68 to E73 read,
# compare and write fields in that byte, with its bank selected first
# through the path J00 from the node that uses the field.

goal bit_loc cond_if_set cond_if_clear bit_value_set bit_value_clear even_const odd_const
goal bf_lval

# A bit object, as the byte and the bit of an instruction.
rule bit_object
  goals bit_loc
  op ID
  pred BOOLEAN
  kind none
  text (SN/8)E2N,(SN)&7

# A bit object as a condition: true when it is set.
rule bit_object_set
  goals bit_set
  op ID
  pred BOOLEAN
  kind none
  code
  | E74N
  text (SN/8)E2N,(SN)&7

# A volatile bit read as a statement of its own: its byte is read once.
rule read_bit_for_effect
  goals stmt
  op ID
  pred BOOLEAN
  kind none
  clobber wreg status
  code
  | E74N
  | movf (SN/8)E2N,w

# The negation of a bit's condition tests the same bit the other way.
rule not_bit_set
  goals bit_clear
  op !
  pred BOOLEAN
  left bit_set
  kind none
  text L

rule not_bit_clear
  goals bit_set
  op !
  pred BOOLEAN
  left bit_clear
  kind none
  text L

rule not_z_set
  goals z_clear
  op !
  pred BOOLEAN
  left z_set
  kind none
  text L

rule not_z_clear
  goals z_set
  op !
  pred BOOLEAN
  left z_clear
  kind none
  text L

rule not_c_set
  goals c_clear
  op !
  pred BOOLEAN
  left c_set
  kind none
  text L

rule not_c_clear
  goals c_set
  op !
  pred BOOLEAN
  left c_clear
  kind none
  text L

# A field's lowest bit, as a bit.
rule bit_of_field
  goals bit_set
  op ->
  pred BOOLEAN
  left bf_opnd
  kind none
  code
  | E1J00
  text L,CL

# A wider value converted to a bit: its lowest bit.
rule bit_of_low_byte
  goals bit_set
  op ->
  pred BOOLEAN LBYTE
  left byte_opnd
  kind none
  code
  | E1L
  text (L)E2L,0

rule bit_of_low_word
  goals bit_set
  op ->
  pred BOOLEAN LWORD
  left word_opnd
  kind none
  code
  | E1L
  text (~0/2L)E2L,0

rule bit_of_low_tri
  goals bit_set
  op ->
  pred BOOLEAN LTRIWORD
  left tri_opnd
  kind none
  code
  | E1L
  text (~0/3L)E2L,0

rule bit_of_low_long
  goals bit_set
  op ->
  pred BOOLEAN LLONG
  left long_opnd
  kind none
  code
  | E1L
  text (~0/4L)E2L,0

# A bit function's value, in the carry.
rule bit_call_with_args
  goals bit_set
  op (
  pred BOOLEAN
  left func_name
  right stmt
  kind none
  flags call
  code
  | call L
  text status,0,c

rule bit_call
  goals bit_set
  op (
  pred BOOLEAN
  left func_name
  kind none
  flags call
  code
  | call L
  text status,0,c

# Conditions by the way they are tested: true when the flag or bit their
# text names is set, or when it is clear.
rule cond_bit_set
  goals cond_if_set
  chain bit_set
  kind left
  text L

rule cond_z_set
  goals cond_if_set
  chain z_set
  kind left
  text L

rule cond_c_set
  goals cond_if_set
  chain c_set
  kind left
  text L

rule cond_n_set
  goals cond_if_set
  chain n_set
  kind left
  text L

rule cond_bit_clear
  goals cond_if_clear
  chain bit_clear
  kind left
  text L

rule cond_z_clear
  goals cond_if_clear
  chain z_clear
  kind left
  text L

rule cond_c_clear
  goals cond_if_clear
  chain c_clear
  kind left
  text L

rule cond_n_clear
  goals cond_if_clear
  chain n_clear
  kind left
  text L

# Assignments to bit objects.
rule set_bit_object
  goals stmt
  op =
  pred BOOLEAN
  left bit_loc
  right @one
  kind none
  code
  | E74Lbsf L

rule clear_bit_object
  goals stmt
  op =
  pred BOOLEAN
  left bit_loc
  right @zero
  kind none
  code
  | E74Lbcf L

# b = !b.
rule toggle_bit_object
  goals stmt
  op =
  pred BOOLEAN SAMEID
  left bit_loc
  right bit_clear
  kind none
  code
  | E74Lbtg L

rule bit_object_from_set
  goals stmt
  op =
  pred BOOLEAN
  left bit_loc
  right cond_if_set
  kind none
  code
  | E64N

rule bit_object_from_clear
  goals stmt
  op =
  pred BOOLEAN
  left bit_loc
  right cond_if_clear
  kind none
  code
  | E65N

# b ^= c, b |= c and b &= c with a constant: the constant's lowest bit.
rule toggle_bit_by_one
  goals stmt
  op =^
  pred BOOLEAN
  left bit_loc
  right @one
  kind none
  code
  | E74Lbtg L

rule bit_unchanged_by_const
  goals stmt
  op =^ =|
  pred BOOLEAN
  left bit_loc
  right @zero
  kind none

rule set_bit_by_or_one
  goals stmt
  op =|
  pred BOOLEAN
  left bit_loc
  right @one
  kind none
  code
  | E74Lbsf L

rule clear_bit_by_and_zero
  goals stmt
  op =&
  pred BOOLEAN
  left bit_loc
  right @zero
  kind none
  code
  | E74Lbcf L

rule bit_unchanged_by_and_one
  goals stmt
  op =&
  pred BOOLEAN
  left bit_loc
  right @one
  kind none

# b |= c, b &= c and b ^= c with a condition: one test of the condition,
# then one instruction on the bit.
rule or_bit_with_set
  goals stmt
  op =|
  pred BOOLEAN
  left bit_loc
  right cond_if_set
  kind none
  code
  | E66N

rule or_bit_with_clear
  goals stmt
  op =|
  pred BOOLEAN
  left bit_loc
  right cond_if_clear
  kind none
  code
  | E67N

rule and_bit_with_set
  goals stmt
  op =&
  pred BOOLEAN
  left bit_loc
  right cond_if_set
  kind none
  code
  | E66N

rule and_bit_with_clear
  goals stmt
  op =&
  pred BOOLEAN
  left bit_loc
  right cond_if_clear
  kind none
  code
  | E67N

rule xor_bit_with_set
  goals stmt
  op =^
  pred BOOLEAN
  left bit_loc
  right cond_if_set
  kind none
  code
  | E66N

rule xor_bit_with_clear
  goals stmt
  op =^
  pred BOOLEAN
  left bit_loc
  right cond_if_clear
  kind none
  code
  | E67N

# Two bit objects compared: W takes the one's value, flipped by the other.
rule bits_differ
  goals z_clear
  op !=
  left bit_loc
  right bit_loc
  kind none
  clobber wreg status
  code
  | movlw 0
  | E74Lbtfsc L
  | movlw 1
  | E74Rbtfsc R
  | xorlw 1
  | andlw 1
  text status,2

rule bits_equal
  goals z_set
  op ==
  left bit_loc
  right bit_loc
  kind none
  clobber wreg status
  code
  | movlw 0
  | E74Lbtfsc L
  | movlw 1
  | E74Rbtfsc R
  | xorlw 1
  | andlw 1
  text status,2

# An assignment's value: the bit it stored.
rule assigned_one
  goals bit_set
  op =
  pred BOOLEAN
  left bit_loc
  right @one
  kind none
  code
  | E74Lbsf L
  text L

rule assigned_zero
  goals bit_set
  op =
  pred BOOLEAN
  left bit_loc
  right @zero
  kind none
  code
  | E74Lbcf L
  text L

rule assigned_set
  goals bit_set
  op =
  pred BOOLEAN
  left bit_loc
  right cond_if_set
  kind none
  code
  | E64N
  | E74L
  text L

rule assigned_clear
  goals bit_set
  op =
  pred BOOLEAN
  left bit_loc
  right cond_if_clear
  kind none
  code
  | E65N
  | E74L
  text L

# A bit function returns its value in the carry.
rule bit_value_of_set
  goals bit_value_set
  op ->
  left cond_if_set
  kind none
  text L

rule bit_value_of_clear
  goals bit_value_clear
  op ->
  left cond_if_clear
  kind none
  text L

rule return_bit_set
  goals stmt
  op )
  pred BOOLEAN
  left bit_value_set
  kind none
  clobber status
  code
  | E76N

rule return_bit_clear
  goals stmt
  op )
  pred BOOLEAN
  left bit_value_clear
  kind none
  clobber status
  code
  | E77N

# A constant returned: its lowest bit.
rule even_constant
  goals even_const
  op CONST
  pred EVENCONST
  kind none
  text VN

rule odd_constant
  goals odd_const
  op CONST
  pred !EVENCONST
  kind none
  text VN

rule return_bit_zero
  goals stmt
  op )
  pred BOOLEAN
  left even_const
  kind none
  clobber status
  code
  | bcf status,0,c

rule return_bit_one
  goals stmt
  op )
  pred BOOLEAN
  left odd_const
  kind none
  clobber status
  code
  | bsf status,0,c

# Bit-fields: the byte that holds the field, as a destination.
rule bitfield_lval
  goals bf_lval
  op BITFIELD
  left byte_lval
  kind left
  text (L)E2L

# A field's value in W, at the bottom of the byte.
rule bit_field_value
  goals wreg_byte
  op BITFIELD
  left byte_opnd
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  clobber status
  code
  | E1LE68N
  text XN

# Stores into a field: the bits around it keep their values.
rule store_bit_field_const
  goals stmt
  op =
  left bf_lval
  right byte_const
  kind none
  clobber wreg status
  code
  | E1J00E70N

rule store_bit_field_w
  goals stmt
  op =
  left bf_lval
  right wreg_byte
  kind none
  flags right_into_wanted
  clobber wreg status
  code
  | E1J00E71N

rule bit_field_op_const
  goals stmt
  op =| =& =^ =+ =-
  left bf_lval
  right byte_const
  kind none
  clobber wreg status
  code
  | E1J00E72N

rule bit_field_op_w
  goals stmt
  op =| =& =^ =+ =-
  left bf_lval
  right wreg_byte
  kind none
  flags right_into_wanted
  clobber wreg status
  code
  | E1J00E73N

# A field's compound assignment whose value is used: the work in place,
# then the field read back; a step's old value is the new one stepped back.
rule bit_field_op_value
  goals wreg_byte
  op =| =& =^ =+ =-
  left bf_lval
  right byte_const
  result wreg
  kind xreg
  flags xreg_used
  clobber status
  code
  | E1J00E72N
  | E68J0
  text XN

rule bit_field_step_value
  goals wreg_byte
  op ++ --
  left bf_lval
  right byte_const
  result wreg
  kind xreg
  flags xreg_used
  clobber status
  code
  | E1J00E72N
  | E68J0
  | E78N
  text XN

# Shifts and products of a field: worked out in W and stored back.
rule bit_field_shift_left
  goals rewrite
  op =<<
  left bf_lval
  kind none
  text = L << L R

rule bit_field_shift_right
  goals rewrite
  op =>>
  left bf_lval
  kind none
  text = L >> L R

rule bit_field_times
  goals rewrite
  op =*
  left bf_lval
  kind none
  text = L * L R
