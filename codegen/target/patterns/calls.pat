# Calls of functions known by name.

goal func_name

rule func_id
  goals func_name
  op ID
  kind none
  text SN

rule call_stmt
  goals stmt
  op (
  left func_name
  kind none
  flags call
  code
  | call L

rule call_byte_value
  goals wreg_byte
  op (
  pred ISBYTE
  left func_name
  result wreg
  kind xreg
  flags call xreg_used
  code
  | call L
  text XN
