# Floating point. float is the 24-bit format; double is the same, or the
# 32-bit one under --double=32. Arithmetic, compares, conversions to and from
# integers and the assignment operators become calls of the run-time
# routines: the 24-bit ones (___ft*) take and give float, the 32-bit ones
# (___fl*) a double of four bytes, so operands pass as they are. Negation,
# a compare with zero and the widening and narrowing between the formats are
# done in place, on the bit patterns.

goal float_const

# A float constant is its bit image; a zero compares without a call.
rule zero_float
  goals float_const
  label float_zero
  op FCONST
  pred ISZERO
  kind none
  text VN

rule float_const_leaf
  goals float_const
  op FCONST
  kind none
  text VN

rule tri_float_const
  goals tri_const
  op FCONST
  pred TRIFLOAT
  kind none
  text VN

rule long_float_const
  goals long_const
  op FCONST
  pred ISDOUBLE
  kind none
  text VN

rule init_tri_float
  goals stmt
  op @
  pred TRIFLOAT
  left float_const
  kind none
  code
  | db ~0/3L,~1/3L,~2/3L

rule init_long_float
  goals stmt
  op @
  pred ISDOUBLE
  left float_const
  kind none
  code
  | db ~0/4L,~1/4L,~2/4L,~3/4L

# Arithmetic.
rule float_arith_call
  goals rewrite
  op + - * /
  pred TRIFLOAT
  kind none
  code
  | [v ___ftON `(f 0 ef2`f`f ] 
  text ( ___ftON (2 , L R ]

rule double_arith_call
  goals rewrite
  op + - * /
  pred ISDOUBLE
  kind none
  code
  | [v ___flON `(d 0 ef2`d`d ] 
  text ( ___flON (2 , L R ]

# x op= y: the routine takes the object's address and stores the result.
rule float_assign_call
  goals rewrite
  op =+ =- =* =/
  pred TRIFLOAT
  kind none
  code
  | [v ___asftON `(f 0 ef2`*f`f ] 
  text ( ___asftON (2 , &U L R ]

rule double_assign_call
  goals rewrite
  op =+ =- =* =/
  pred ISDOUBLE
  kind none
  code
  | [v ___asflON `(d 0 ef2`*d`d ] 
  text ( ___asflON (2 , &U L R ]

# A compare with zero tests the exponent field, which is 0 only for the
# zeros of both signs: it stays for the rules below. Other compares ask
# ___ftge (___flge) for the order: bit 0 set when a >= b, bit 1 when a <= b,
# neither for a NaN.
rule float_zero_test
  goals rewrite
  op == !=
  pred LTRIFLOAT
  left tri_opnd
  right @float_zero
  kind none

rule double_zero_test
  goals rewrite
  op == !=
  pred LDOUBLE
  left long_opnd
  right @float_zero
  kind none

rule float_ge_call
  goals rewrite
  op >=
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text >= ( ___ftge (2 , R L -> 2 `uc

rule float_le_call
  goals rewrite
  op <=
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text >= ( ___ftge (2 , L R -> 2 `uc

rule float_gt_call
  goals rewrite
  op >
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text == ( ___ftge (2 , L R -> 1 `uc

rule float_lt_call
  goals rewrite
  op <
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text == ( ___ftge (2 , L R -> 2 `uc

rule float_eq_call
  goals rewrite
  op ==
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text == ( ___ftge (2 , L R -> 3 `uc

rule float_ne_call
  goals rewrite
  op !=
  pred LTRIFLOAT
  kind none
  code
  | [v ___ftge `(uc 0 ef2`f`f ] 
  text != ( ___ftge (2 , L R -> 3 `uc

rule double_ge_call
  goals rewrite
  op >=
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text >= ( ___flge (2 , R L -> 2 `uc

rule double_le_call
  goals rewrite
  op <=
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text >= ( ___flge (2 , L R -> 2 `uc

rule double_gt_call
  goals rewrite
  op >
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text == ( ___flge (2 , L R -> 1 `uc

rule double_lt_call
  goals rewrite
  op <
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text == ( ___flge (2 , L R -> 2 `uc

rule double_eq_call
  goals rewrite
  op ==
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text == ( ___flge (2 , L R -> 3 `uc

rule double_ne_call
  goals rewrite
  op !=
  pred LDOUBLE
  kind none
  code
  | [v ___flge `(uc 0 ef2`d`d ] 
  text != ( ___flge (2 , L R -> 3 `uc

# Integers to floats: the routine of the integer's class and width; three
# bytes widen to a long first.
rule unsbyte_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LUNSBYTE
  kind none
  code
  | [v ___lbtoft `(f 0 ef1`uc ] 
  text ( ___lbtoft (1 -> L `uc ]

rule signbyte_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LSIGNBYTE
  kind none
  code
  | [v ___abtoft `(f 0 ef1`c ] 
  text ( ___abtoft (1 -> L `c ]

rule unsword_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LUNSWORD
  kind none
  code
  | [v ___lwtoft `(f 0 ef1`ui ] 
  text ( ___lwtoft (1 -> L `ui ]

rule signword_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LSIGNWORD
  kind none
  code
  | [v ___awtoft `(f 0 ef1`i ] 
  text ( ___awtoft (1 -> L `i ]

rule unstriword_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LUNSTRIWORD
  kind none
  code
  | [v ___lltoft `(f 0 ef1`ul ] 
  text ( ___lltoft (1 -> L `ul ]

rule signtriword_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LSIGNTRIWORD
  kind none
  code
  | [v ___altoft `(f 0 ef1`l ] 
  text ( ___altoft (1 -> L `l ]

rule unslong_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LUNSLONG
  kind none
  code
  | [v ___lltoft `(f 0 ef1`ul ] 
  text ( ___lltoft (1 -> L `ul ]

rule signlong_to_float_call
  goals rewrite
  op ->
  pred TRIFLOAT LSIGNLONG
  kind none
  code
  | [v ___altoft `(f 0 ef1`l ] 
  text ( ___altoft (1 -> L `l ]

rule unsbyte_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LUNSBYTE
  kind none
  code
  | [v ___lbtofl `(d 0 ef1`uc ] 
  text ( ___lbtofl (1 -> L `uc ]

rule signbyte_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LSIGNBYTE
  kind none
  code
  | [v ___abtofl `(d 0 ef1`c ] 
  text ( ___abtofl (1 -> L `c ]

rule unsword_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LUNSWORD
  kind none
  code
  | [v ___lwtofl `(d 0 ef1`ui ] 
  text ( ___lwtofl (1 -> L `ui ]

rule signword_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LSIGNWORD
  kind none
  code
  | [v ___awtofl `(d 0 ef1`i ] 
  text ( ___awtofl (1 -> L `i ]

rule unstriword_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LUNSTRIWORD
  kind none
  code
  | [v ___lltofl `(d 0 ef1`ul ] 
  text ( ___lltofl (1 -> L `ul ]

rule signtriword_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LSIGNTRIWORD
  kind none
  code
  | [v ___altofl `(d 0 ef1`l ] 
  text ( ___altofl (1 -> L `l ]

rule unslong_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LUNSLONG
  kind none
  code
  | [v ___lltofl `(d 0 ef1`ul ] 
  text ( ___lltofl (1 -> L `ul ]

rule signlong_to_double_call
  goals rewrite
  op ->
  pred ISDOUBLE LSIGNLONG
  kind none
  code
  | [v ___altofl `(d 0 ef1`l ] 
  text ( ___altofl (1 -> L `l ]

# Floats to integers: cut to a long, then to the type.
rule float_to_int_call
  goals rewrite
  op ->
  pred LTRIFLOAT NOTFLOAT
  kind none
  code
  | [v ___fttol `(l 0 ef1`f ] 
  text -> ( ___fttol (1 L `W9N

rule double_to_int_call
  goals rewrite
  op ->
  pred LDOUBLE NOTFLOAT
  kind none
  code
  | [v ___fltol `(l 0 ef1`d ] 
  text -> ( ___fltol (1 L `W9N

# Negation inverts the sign bit of a copy.
rule negated_tri_float
  goals tri_tmp
  op -U
  pred TRIFLOAT
  left tri_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  code
  | movff ~0/3L,~0/3XN
  | movff ~1/3L,~1/3XN
  | movff ~2/3L,~2/3XN
  | E1Nbtg (~2/3XN)E2N,7
  text XN

rule negated_long_float
  goals long_tmp
  op -U
  pred ISDOUBLE
  left long_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  code
  | movff ~0/4L,~0/4XN
  | movff ~1/4L,~1/4XN
  | movff ~2/4L,~2/4XN
  | movff ~3/4L,~3/4XN
  | E1Nbtg (~3/4XN)E2N,7
  text XN

# A float is zero when its exponent field (the top byte's low seven bits
# and the next byte's top bit) is: W is then 0.
rule tri_float_is_zero
  goals z_set
  op ==
  pred LTRIFLOAT
  left tri_opnd
  right @float_zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~2/3L)E2L,w
  | andlw 07fh
  | E1Lbtfsc (~1/3L)E2L,7
  | iorlw 1
  text status,2

rule tri_float_not_zero
  goals z_clear
  op !=
  pred LTRIFLOAT
  left tri_opnd
  right @float_zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~2/3L)E2L,w
  | andlw 07fh
  | E1Lbtfsc (~1/3L)E2L,7
  | iorlw 1
  text status,2

rule long_float_is_zero
  goals z_set
  op ==
  pred LDOUBLE
  left long_opnd
  right @float_zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~3/4L)E2L,w
  | andlw 07fh
  | E1Lbtfsc (~2/4L)E2L,7
  | iorlw 1
  text status,2

rule long_float_not_zero
  goals z_clear
  op !=
  pred LDOUBLE
  left long_opnd
  right @float_zero
  kind none
  clobber status wreg
  code
  | E1Lmovf (~3/4L)E2L,w
  | andlw 07fh
  | E1Lbtfsc (~2/4L)E2L,7
  | iorlw 1
  text status,2

# float to a 32-bit double: the pattern shifted up a byte, exactly.
rule float_to_double
  goals long_tmp
  op ->
  pred TRI_TO_DOUBLE
  left tri_opnd
  result TEMP4
  kind xreg
  flags xreg_used
  clobber status
  code
  | E1Nclrf (~0/4XN)E2N
  | movff ~0/3L,~1/4XN
  | movff ~1/3L,~2/4XN
  | movff ~2/3L,~3/4XN
  text XN

# A 32-bit double to float: the top three bytes, rounded to the nearest
# (ties to even) by the byte dropped. An infinity stays one and a NaN
# becomes the quiet NaN of its sign; a pattern of exponent field 0 is a
# zero of its sign, as the routines read it.
rule double_to_float
  goals tri_tmp
  op ->
  pred DOUBLE_TO_TRI
  left long_opnd
  result TEMP3
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | movff ~1/4L,~0/3XN
  | movff ~2/4L,~1/3XN
  | movff ~3/4L,~2/3XN
  | E1Nmovf (~2/3XN)E2N,w
  | andlw 07fh
  | xorlw 07fh
  | bnz uNN1
  | E1Nbtfss (~1/3XN)E2N,7
  | bra uNN1
  | E1Nmovf (~1/3XN)E2N,w
  | andlw 07fh
  | E1Niorwf (~0/3XN)E2N,w
  | E1Liorwf (~0/4L)E2L,w
  | bz uNN3
  | movlw 0c0h
  | E1Nmovwf (~1/3XN)E2N
  | E1Nclrf (~0/3XN)E2N
  | bra uNN3
  : uNN1:
  | E1Nmovf (~2/3XN)E2N,w
  | andlw 07fh
  | bnz uNN2
  | E1Nbtfsc (~1/3XN)E2N,7
  | bra uNN2
  | E1Nclrf (~0/3XN)E2N
  | E1Nclrf (~1/3XN)E2N
  | movlw 080h
  | E1Nandwf (~2/3XN)E2N,f
  | bra uNN3
  : uNN2:
  | movlw 0
  | E1Nbtfsc (~0/3XN)E2N,0
  | movlw 1
  | addlw 07fh
  | E1Laddwf (~0/4L)E2L,w
  | movlw 0
  | E1Naddwfc (~0/3XN)E2N,f
  | E1Naddwfc (~1/3XN)E2N,f
  | E1Naddwfc (~2/3XN)E2N,f
  : uNN3:
  text XN

# The 24-bit routines make their patterns from 32-bit ones: a long cut to
# three bytes is its low three bytes, where they are.
rule low_tri_of_long
  goals tri_opnd
  op ->
  pred SHLONG LDWORD
  left long_opnd
  kind left
  text L
