# The in-line delays, declared in tovra18.h as built-ins: calls of them
# are code in place, never calls. They come before the rules of calls.
#
# __delay(c) spends exactly c instruction cycles (E19); its count is a
# constant. __delay3(n) spends 3 n cycles for a byte n of any kind, 768
# for 0: the count passes in W as the first byte argument of any call.

goal delay_name delay3_name delay_param delay_count any_count

rule delay_function
  goals delay_name
  op ID
  pred DELAY
  kind none
  text SN

rule delay3_function
  goals delay3_name
  op ID
  pred DELAY3
  kind none
  text SN

# The count stays where the macro reads it: no code for its binding.
rule delay_arguments
  goals delay_count
  op CALLARGS
  kind none
  text 0

rule delay_parameter
  goals delay_param
  op ID
  kind none
  text SN

rule delay_constant_count
  goals delay_count
  op =
  left delay_param
  right byte_const
  kind none
  text R

rule inline_delay
  goals stmt
  op (
  left delay_name
  right delay_count
  result TEMP1
  kind none
  clobber wreg
  code
  | E19N

# Any other count: an error, and no call of a function that does not exist.
rule any_delay_arguments
  goals any_count
  op CALLARGS
  kind none
  text 0

rule any_delay_count
  goals any_count
  op =
  kind none
  text 0

rule inline_delay_not_constant
  goals stmt
  op (
  left delay_name
  right any_count
  kind none
  code
  | #error - the count of __delay must be a constant

rule inline_delay3
  goals stmt
  op (
  left delay3_name
  right stmt
  kind none
  clobber wreg
  code
  | E75N
