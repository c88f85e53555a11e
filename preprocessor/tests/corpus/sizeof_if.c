/* sizeof over type words in #if. */
#if sizeof(int) == 4 && sizeof(char *) == 4 && sizeof(short) == 2
sizes
#endif
