// Argument words from a command string or from standard input lines.
#pragma once

// Number of filled elements of the last getargs result (element 0 included).
extern int getargs_argc;

// A new null-terminated array: element 0 is "", the words follow. A null
// string reads standard input, prompting "<prompt>> " on a terminal. A
// non-null string is cut in place (trailing blanks and carriage returns).
char **getargs(char *string, const char *prompt);

// Reopens standard input on the named file; reports message 141 ("command"
// and the name) and gives 0 when it cannot be opened, standard input unchanged.
int getargs_reopen_stdin(const char *name);

// The argument vector of a program's main: with no arguments the words of
// standard input, with the single argument "@file" the words of that file
// (standard input is reopened on it; when it cannot be opened, message 141 and
// no words), else argv itself. *argc is updated. A new vector is built only in
// the first two cases (element 0 is then "").
char **getargs_main(int *argc, char **argv, const char *prompt);
