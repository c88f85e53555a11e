# Structures of more than four bytes, copied as a whole: both addresses in
# FSRs, the bytes moved through POSTINC in a loop counted in W. (Smaller
# ones move as the values of their size do.) A structure is returned in
# `structret`, from which the caller takes it at once.

goal struct_fsr

rule struct_id_address
  goals struct_fsr
  op ID
  pred STRUCTURE ISRAM
  result class7
  kind xreg
  flags xreg_used
  code
  | lfsr ~XN,SN
  text X0N

rule struct_at_pointer
  goals struct_fsr
  op *U
  pred STRUCTURE
  left fsr_ptr
  kind left
  text L

rule struct_returned
  goals struct_fsr
  op (
  pred STRUCTURE
  left func_name
  right stmt
  result class7
  kind xreg
  flags call xreg_used
  clobber structret
  code
  | call L
  | lfsr ~XN,structret
  text X0N

rule copy_struct
  goals stmt
  op =
  pred STRUCTURE
  left struct_fsr
  right struct_fsr
  kind none
  clobber wreg status
  code
  | movlw ZN
  : uNN1:
  | movff R+5,L+5
  | decfsz wreg,f,c
  | bra uNN1

# From program memory: the source read through TBLPTR.
goal code_object

rule code_object_id
  goals code_object
  op ID
  pred ISCODE
  kind none
  text SN

rule copy_struct_from_code
  goals stmt
  op =
  pred STRUCTURE
  left struct_fsr
  right code_object
  kind none
  clobber wreg status tblptr
  code
  | movlw low(SR)
  | movwf tblptrl,c
  | movlw high(SR)
  | movwf tblptrh,c
  | E27R
  | movlw ZN
  : uNN1:
  | tblrd *+
  | movff tablat,L+5
  | decfsz wreg,f,c
  | bra uNN1
  | E10N

# Through a pointer (an element of a const array) the same way, the
# address in TBLPTR.
goal code_object_at

rule code_object_at_pointer
  goals code_object_at
  op *U
  left rom_ptr
  kind left
  text L

rule copy_struct_from_code_pointer
  goals stmt
  op =
  pred STRUCTURE
  left struct_fsr
  right code_object_at
  kind none
  clobber wreg status tblptr
  code
  | movlw ZN
  : uNN1:
  | tblrd *+
  | movff tablat,L+5
  | decfsz wreg,f,c
  | bra uNN1
  | E10N

rule return_struct
  goals stmt
  op )
  pred STRUCTURE
  left struct_fsr
  result class7
  kind xreg
  flags xreg_used
  clobber wreg status structret
  code
  | E7N
  | lfsr ~XN,structret
  | movlw ZN
  : uNN1:
  | movff L+5,X0N+5
  | decfsz wreg,f,c
  | bra uNN1

# A structure returned from program memory: read through TBLPTR into
# `structret`.
rule return_struct_from_code
  goals stmt
  op )
  pred STRUCTURE
  left code_object
  result class7
  kind xreg
  flags xreg_used
  clobber wreg status structret tblptr
  code
  | E7N
  | lfsr ~XN,structret
  | movlw low(SL)
  | movwf tblptrl,c
  | movlw high(SL)
  | movwf tblptrh,c
  | E27L
  | movlw ZN
  : uNN1:
  | tblrd *+
  | movff tablat,X0N+5
  | decfsz wreg,f,c
  | bra uNN1
  | E10N
