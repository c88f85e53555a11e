// pellow: makes chosen global symbols of object files local, in place. Each
// file's first module is copied record by record to a temporary in the same
// folder, with the global flag cleared on the listed symbols' definitions;
// the copy replaces the file only when it was written completely, so a file
// that cannot be read or written stays as it was.
#pragma once
#include <string>
#include <vector>

struct pellow_options {
  std::vector<std::string> names;  // symbols to make local
  std::vector<std::string> files;  // object files, "l.obj" when none is named
};

// Reads the options; 1 when --ver was given.
int pellow_options_read(int argc, char **argv, pellow_options *o);

// True when the symbol is one of the names, or "_" followed by one.
bool pellow_name_listed(const pellow_options *o, const char *symbol);

// Strips one file; 0 when it was left unchanged after a message.
int pellow_strip_file(const pellow_options *o, const char *path);

// Removes the temporary of a file being stripped (from the exit routine).
void pellow_cleanup();
