/* A backslash-newline inside a string reaches the parser as written. */
char *s = "ab\
cd";
end
