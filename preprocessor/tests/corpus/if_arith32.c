/* #if arithmetic: 32-bit words, unsigned division, unsigned character
   constants. */
#if 0x7fffffff + 1 < 0
wraps_at_32_bits
#endif
#if 4294967296 == 0
upper_bits_dropped
#endif
#if -4 / 2 != -2
division_is_unsigned
#endif
#if '\377' == 255
char_not_sign_extended
#endif
end
