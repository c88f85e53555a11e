# cmake -P script: writes OUT, a copy of the library source or header IN
# that the host's C++ compiler reads with the target's integer widths: the
# type words become the names host_types.h defines, and #include lines go
# (the test includes the copied headers itself).
file(READ ${IN} text)
set(text "\n${text}")
string(REGEX REPLACE "\n#[ \t]*include[^\n]*" "\n" text "${text}")
set(word_edge "([^A-Za-z0-9_])")
foreach(pair
    "unsigned short long=t_u24" "short long=t_s24"
    "unsigned long=t_u32" "long=t_s32"
    "unsigned int=t_u16" "int=t_s16")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 words)
  list(GET pair 1 name)
  # Twice: a match takes the character after it, which may begin the next.
  foreach(pass 1 2)
    string(REGEX REPLACE "${word_edge}${words}${word_edge}" "\\1${name}\\2" text "${text}")
  endforeach()
endforeach()
file(WRITE ${OUT} "${text}")
