# Initialised data: one directive per value, bytes in address order.

rule init_byte
  goals stmt
  op @
  pred ISBYTE
  left byte_const
  kind none
  code
  | db L

rule init_word
  goals stmt
  op @
  pred WORD
  left word_const
  kind none
  code
  | dw L

rule init_word_address
  goals stmt
  op @
  pred WORD
  left ram_address
  kind none
  code
  | dw L

rule init_three_bytes
  goals stmt
  op @
  pred TRIWORD
  left word_const
  kind none
  code
  | db ~0/3L,~1/3L,~2/3L

rule init_three_byte_address
  goals stmt
  op @
  pred TRIWORD
  left ram_address
  kind none
  code
  | db low(L),high(L),low highword(L)

rule init_four_bytes
  goals stmt
  op @
  pred DWORD
  left word_const
  kind none
  code
  | dw ~0/2L,~1/2L
