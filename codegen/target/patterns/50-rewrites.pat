# Operations done by run-time routines become calls of them.

# Byte multiplication has code of its own (the hardware multiplier).
rule mul_byte_native
  goals rewrite
  op *
  pred ISBYTE
  kind none

rule mul_float_call
  goals rewrite
  op *
  pred ISFLOAT
  kind none
  code
  | [v ___ANWNON `(W9N 0 ef2`W9N`W9N ] 
  text ( ___ANWNON (2 , L R ]
