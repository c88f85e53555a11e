// Argument words from a command string or from standard input lines.
#pragma once

// Number of filled elements of the last getargs result (element 0 included).
extern int getargs_argc;

// A new null-terminated array: element 0 is "", the words follow. A null
// string reads standard input, prompting "<prompt>> " on a terminal. A
// non-null string is cut in place (trailing blanks and carriage returns).
char **getargs(char *string, const char *prompt);
