# Operations done by run-time routines become calls of them.

# Byte multiplication has code of its own (the hardware multiplier); floats
# have rules of their own (52-floats.pat).
rule mul_byte_native
  goals rewrite
  op *
  pred ISBYTE
  kind none

# A word product of two unsigned bytes widened is one MULWF (55-words.pat).
goal ubyte_wide

rule ubyte_wide_opnd
  goals ubyte_wide
  op ->
  pred UNSCONV LUNSBYTE
  left byte_opnd
  kind left
  text L

rule mul_widened_bytes_native
  goals rewrite
  op *
  pred WORD
  left wreg_index
  right ubyte_wide
  kind none

# A word product of an unsigned byte widened and a constant below 256 is
# one MULLW (55-words.pat): the scale of a row of constant size.
goal ubyte_const

rule ubyte_const_leaf
  goals ubyte_const
  op CONST
  pred SMALLCONST POSITIVE
  kind none
  text VN

rule mul_widened_byte_const_native
  goals rewrite
  op *
  pred WORD
  left wreg_index
  right ubyte_const
  kind none

# Multiplication of two bytes and more: the low part of the product is the
# same for signed and unsigned operands, so one routine per width serves.
# The routines' operands have fixed types, so the operands are converted,
# and the product goes back to the node's type: a signed product read as
# unsigned would shift and compare as unsigned.

rule mul_word_call
  goals rewrite
  op *
  pred WORD
  kind none
  code
  | [v ___WNON `(ui 0 ef2`ui`ui ] 
  text -> ( ___WNON (2 , -> L `ui -> R `ui `W9N

rule mul_word_assign_call
  goals rewrite
  op =*
  pred LWORD
  kind none
  code
  | [v ___WLON `(ui 0 ef2`ui`ui ] 
  text = L ( ___WLON (2 , -> L `ui -> R `ui ]

rule mul_triword_call
  goals rewrite
  op *
  pred TRIWORD NOTFLOAT
  kind none
  code
  | [v ___WNON `(um 0 ef2`um`um ] 
  text -> ( ___WNON (2 , -> L `um -> R `um `W9N

rule mul_triword_assign_call
  goals rewrite
  op =*
  pred LTRIWORD NOTFLOAT
  kind none
  code
  | [v ___WLON `(um 0 ef2`um`um ] 
  text = L ( ___WLON (2 , -> L `um -> R `um ]

rule mul_long_call
  goals rewrite
  op *
  pred LONG
  kind none
  code
  | [v ___WNON `(ul 0 ef2`ul`ul ] 
  text -> ( ___WNON (2 , -> L `ul -> R `ul `W9N

rule mul_long_assign_call
  goals rewrite
  op =*
  pred LLONG NOTFLOAT
  kind none
  code
  | [v ___WLON `(ul 0 ef2`ul`ul ] 
  text = L ( ___WLON (2 , -> L `ul -> R `ul ]

# Quotients and remainders, by signedness and width; the assignment forms
# store the routine's result back.

rule div_mod_ubyte_call
  goals rewrite
  op / %
  pred UNSBYTE
  kind none
  code
  | [v ___ANWNON `(uc 0 ef2`uc`uc ] 
  text ( ___ANWNON (2 , -> L `uc -> R `uc ]

rule div_mod_ubyte_assign_call
  goals rewrite
  op =/ =%
  pred LUNSBYTE
  kind none
  code
  | [v ___ALWLON `(uc 0 ef2`uc`uc ] 
  text = L ( ___ALWLON (2 , -> L `uc -> R `uc ]

rule div_mod_sbyte_call
  goals rewrite
  op / %
  pred SIGNBYTE
  kind none
  code
  | [v ___ANWNON `(c 0 ef2`c`c ] 
  text ( ___ANWNON (2 , -> L `c -> R `c ]

rule div_mod_sbyte_assign_call
  goals rewrite
  op =/ =%
  pred LSIGNBYTE
  kind none
  code
  | [v ___ALWLON `(c 0 ef2`c`c ] 
  text = L ( ___ALWLON (2 , -> L `c -> R `c ]

rule div_mod_uword_call
  goals rewrite
  op / %
  pred UNSWORD
  kind none
  code
  | [v ___ANWNON `(ui 0 ef2`ui`ui ] 
  text ( ___ANWNON (2 , -> L `ui -> R `ui ]

rule div_mod_uword_assign_call
  goals rewrite
  op =/ =%
  pred LUNSWORD
  kind none
  code
  | [v ___ALWLON `(ui 0 ef2`ui`ui ] 
  text = L ( ___ALWLON (2 , -> L `ui -> R `ui ]

rule div_mod_sword_call
  goals rewrite
  op / %
  pred SIGNWORD
  kind none
  code
  | [v ___ANWNON `(i 0 ef2`i`i ] 
  text ( ___ANWNON (2 , -> L `i -> R `i ]

rule div_mod_sword_assign_call
  goals rewrite
  op =/ =%
  pred LSIGNWORD
  kind none
  code
  | [v ___ALWLON `(i 0 ef2`i`i ] 
  text = L ( ___ALWLON (2 , -> L `i -> R `i ]

rule div_mod_utri_call
  goals rewrite
  op / %
  pred UNSIGNED TRIWORD
  kind none
  code
  | [v ___ANWNON `(um 0 ef2`um`um ] 
  text ( ___ANWNON (2 , -> L `um -> R `um ]

rule div_mod_utri_assign_call
  goals rewrite
  op =/ =%
  pred LUNSTRIWORD
  kind none
  code
  | [v ___ALWLON `(um 0 ef2`um`um ] 
  text = L ( ___ALWLON (2 , -> L `um -> R `um ]

rule div_mod_stri_call
  goals rewrite
  op / %
  pred SIGNED TRIWORD
  kind none
  code
  | [v ___ANWNON `(m 0 ef2`m`m ] 
  text ( ___ANWNON (2 , -> L `m -> R `m ]

rule div_mod_stri_assign_call
  goals rewrite
  op =/ =%
  pred LSIGNTRIWORD
  kind none
  code
  | [v ___ALWLON `(m 0 ef2`m`m ] 
  text = L ( ___ALWLON (2 , -> L `m -> R `m ]

rule div_mod_ulong_call
  goals rewrite
  op / %
  pred UNSLONG
  kind none
  code
  | [v ___ANWNON `(ul 0 ef2`ul`ul ] 
  text ( ___ANWNON (2 , -> L `ul -> R `ul ]

rule div_mod_ulong_assign_call
  goals rewrite
  op =/ =%
  pred LUNSLONG
  kind none
  code
  | [v ___ALWLON `(ul 0 ef2`ul`ul ] 
  text = L ( ___ALWLON (2 , -> L `ul -> R `ul ]

rule div_mod_slong_call
  goals rewrite
  op / %
  pred SIGNLONG
  kind none
  code
  | [v ___ANWNON `(l 0 ef2`l`l ] 
  text ( ___ANWNON (2 , -> L `l -> R `l ]

rule div_mod_slong_assign_call
  goals rewrite
  op =/ =%
  pred LSIGNLONG
  kind none
  code
  | [v ___ALWLON `(l 0 ef2`l`l ] 
  text = L ( ___ALWLON (2 , -> L `l -> R `l ]
