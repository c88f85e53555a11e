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

# An address converted to a pointer type of its own size is that address
# (a string literal's address kept in a plain char pointer).
rule ram_address_converted
  goals ram_address
  op ->
  pred SAMESIZE
  left ram_address
  kind none
  text L

# Objects at a known place: a variable's address plus a constant, as the
# parameter stores of a call and members and elements at fixed offsets
# are written.
rule ram_address_plus
  goals ram_address
  op +
  left ram_address
  right word_imm
  kind none
  text L+R

rule byte_at_address
  goals byte_mem
  op *U
  pred ISBYTE ISRAM
  left ram_address
  kind none
  text L

rule word_at_address
  goals word_mem
  op *U
  pred WORD ISRAM
  left ram_address
  kind none
  text L
  text L+1

# An address as an immediate operand of a word instruction, byte by byte.
goal word_imm addr_const

rule imm_from_const
  goals word_imm
  chain word_const
  kind left
  text L

rule imm_from_address
  goals word_imm
  chain addr_const
  kind left
  text L

rule addr_const_of
  goals addr_const
  op &U
  left ram_name
  kind none
  text low(L)
  text high(L)

rule addr_const_plus
  goals addr_const
  op +
  left ram_address
  right word_const
  kind none
  text low(L+R)
  text high(L+R)

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

rule fsr_from_address
  goals fsr_ptr
  op &U
  pred ANY_RAM_PTR
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

# A pointer variable plus an unsigned byte index in W: the sum goes
# straight into the pair.
rule fsr_from_mem_plus_index
  goals fsr_ptr
  op +
  pred ANY_RAM_PTR
  left word_mem
  right wreg_index
  result class7
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Laddwf (~0/2L)E2L,w
  | movwf X0N
  | movlw 0
  | E1Laddwfc (~1/2L)E2L,w
  | movwf X1N
  text X0N

rule fsr_from_mem_plus_byte
  goals fsr_ptr
  op +
  pred ANY_RAM_PTR RUNSBYTE
  left word_mem
  right wreg_byte
  result class7
  kind xreg
  flags xreg_used
  clobber status wreg
  code
  | E1Laddwf (~0/2L)E2L,w
  | movwf X0N
  | movlw 0
  | E1Laddwfc (~1/2L)E2L,w
  | movwf X1N
  text X0N

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

# A signed byte index: a negative one takes one off the high byte first,
# so the carry of the low byte's sum can still be added after it.
rule fsr_add_sbyte
  goals fsr_ptr
  op +
  pred RSIGNBYTE
  left fsr_ptr
  right wreg_byte
  kind left
  flags left_into_wanted
  clobber status
  code
  | btfsc wreg,7,c
  | decf L+1,f,c
  | addwf L,f,c
  | movlw 0
  | addwfc L+1,f,c
  text L

# A constant offset added to the address.
rule fsr_add_const
  goals fsr_ptr
  op +
  left fsr_ptr
  right word_imm
  kind left
  flags left_into_wanted
  clobber wreg status
  code
  | movlw ~0/2R
  | addwf L,f
  | movlw ~1/2R
  | addwfc L+1,f
  text L

# A pointer in a word variable, copied into the pair: after the sums
# above, which load the pair as they go.
rule fsr_from_pointer
  goals fsr_ptr
  chain word_opnd
  pred ANY_RAM_PTR
  result class7
  kind xreg
  flags xreg_used
  code
  | movff ~0/2L,X0N
  | movff ~1/2L,X1N
  text X0N

# The byte the pair points at.
# The node's value is the pair that holds the address, so that nothing
# worked out beside it may load the pair again.
rule fsr_byte_deref
  goals fsr_byte
  op *U
  pred ISBYTE
  left fsr_ptr
  kind left
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

# A word the pair points at: its low byte through POSTINC, its high byte
# through POSTDEC, which leaves the pair where it was. Templates name each
# byte once, low byte first.
goal fsr_word

rule fsr_word_deref
  goals fsr_word
  op *U
  pred WORD
  left fsr_ptr
  kind left
  text L

rule word_tmp_from_fsr
  goals word_tmp
  chain fsr_word
  result TEMP2
  kind xreg
  flags xreg_used
  code
  | movff L+5,~0/2XN
  | movff L+4,~1/2XN
  text XN

rule store_fsr_word
  goals stmt
  op =
  pred WORD
  left fsr_word
  right word_opnd
  kind none
  code
  | movff ~0/2R,L+5
  | movff ~1/2R,L+4

rule store_fsr_word_const
  goals stmt
  op =
  pred WORD
  left fsr_word
  right word_imm
  kind none
  clobber wreg
  code
  | movlw ~0/2R
  | movwf L+5,c
  | movlw ~1/2R
  | movwf L+4,c

rule fsr_word_op_in_place
  goals stmt
  op =+ =- =& =| =^
  pred WORD
  left fsr_word
  right word_opnd
  kind none
  clobber status wreg
  code
  | E1Rmovf (~0/2R)E2R,w
  | ONwf L+5,f,c
  | E1Rmovf (~1/2R)E2R,w
  | Q2N L+4,f,c

rule fsr_word_op_const_in_place
  goals stmt
  op =+ =- =& =| =^
  pred WORD
  left fsr_word
  right word_imm
  kind none
  clobber status wreg
  code
  | movlw ~0/2R
  | ONwf L+5,f,c
  | movlw ~1/2R
  | Q2N L+4,f,c
