# Objects in data memory reached through an FSR pair: the address is built
# in the pair, the byte is read or written through its INDF register, which
# stands six addresses above the pair's low byte.

goal ram_name ram_address fsr_ptr wreg_index fsr_byte

rule ram_name_id
  goals ram_name
  op ID
  kind none
  text SN

# The address of an object in data memory, as a word's two bytes.
rule ram_address_of
  goals ram_address
  op &U
  left ram_name
  kind none
  text L

# Objects at a known place: a variable's address plus a constant, as the
# parameter stores of a call and members and elements at fixed offsets
# are written.
rule ram_address_plus
  goals ram_address
  op +
  left ram_address
  right word_const
  kind none
  text L+R

rule byte_at_address
  goals byte_mem
  op *U
  pred ISBYTE
  left ram_address
  kind none
  text L

rule word_at_address
  goals word_mem
  op *U
  pred WORD
  left ram_address
  kind none
  text L
  text L+1

rule store_ram_address
  goals stmt
  op =
  pred WORD
  left word_mem
  right ram_address
  kind none
  clobber wreg
  code
  | movlw low(R)
  | E1Lmovwf (~0/2L)E2L
  | movlw high(R)
  | movwf (~1/2L)E2L

# A pointer in a word variable, copied into the pair.
rule fsr_from_pointer
  goals fsr_ptr
  chain word_mem
  result class7
  kind xreg
  flags xreg_used
  code
  | movff ~0/2L,X0N
  | movff ~1/2L,X1N
  text X0N

rule fsr_from_address
  goals fsr_ptr
  op &U
  left ram_name
  result class7
  kind xreg
  flags xreg_used
  code
  | lfsr ~XN,L
  text X0N

# An unsigned byte index widened to the pointer's size, still in W.
rule index_from_byte
  goals wreg_index
  op ->
  pred UNSCONV
  left wreg_byte
  kind left
  text L

# An unsigned byte index added to the address, carried into its high byte.
rule fsr_add_byte
  goals fsr_ptr
  op +
  pred RUNSBYTE
  left fsr_ptr
  right wreg_byte
  kind left
  flags left_into_wanted
  clobber status
  code
  | addwf L,f
  | btfsc status,0
  | incf L+1,f
  text L

rule fsr_add_index
  goals fsr_ptr
  op +
  left fsr_ptr
  right wreg_index
  kind left
  flags left_into_wanted
  clobber status
  code
  | addwf L,f
  | btfsc status,0
  | incf L+1,f
  text L

# A constant offset added to the address.
rule fsr_add_const
  goals fsr_ptr
  op +
  left fsr_ptr
  right word_const
  kind left
  flags left_into_wanted
  clobber wreg status
  code
  | movlw ~0/2R
  | addwf L,f
  | movlw ~1/2R
  | addwfc L+1,f
  text L

# The byte the pair points at.
rule fsr_byte_deref
  goals fsr_byte
  op *U
  pred ISBYTE
  left fsr_ptr
  kind none
  text L+6

rule w_from_fsr
  goals wreg_byte
  chain fsr_byte
  result wreg
  kind xreg
  flags xreg_used left_uses_xy
  code
  | movf L,w
  text XN

rule store_w_fsr
  goals stmt
  op =
  pred ISBYTE
  left fsr_byte
  right wreg_byte
  kind none
  flags right_into_wanted
  code
  | movwf L

rule inc_fsr_byte
  goals stmt
  op ++
  pred ISBYTE
  left fsr_byte
  right @one
  kind none
  clobber status
  code
  | incf L,f

rule add_fsr_byte_w
  goals stmt
  op =+
  pred ISBYTE
  left fsr_byte
  right wreg_byte
  kind none
  clobber status
  code
  | addwf L,f

rule add_mem_fsr_byte
  goals stmt
  op =+
  pred ISBYTE
  left byte_mem
  right fsr_byte
  kind none
  clobber wreg status
  code
  | movf R,w
  | E1Laddwf (L)E2L,f
