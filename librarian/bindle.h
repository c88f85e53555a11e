// The librarian: builds object libraries (".lib") and p-code libraries
// (".lpp") in the library container, and reorders their modules.
//   bindle [options] r library files...    add or replace modules
//   bindle [options] o library modules...  put these modules first, in order
#pragma once
#include <string>
#include <vector>

#include "linker/lib.h"

struct bindle_command {
  char action = 0;            // 'r' or 'o'
  std::string library;
  bool pcode = false;         // ".lpp"
  std::vector<std::string> args;  // files for r, module names for o
};

// Reads the command line (message options first); false after a message.
bool bindle_read_args(int argc, char **argv, bindle_command *cmd);

// The module an object file gives: its bytes up to and including its first
// END record, and its global definitions and references from its SYM records.
bool bindle_object_module(const char *path, lib_module *out);
// The module an intermediate-code file gives: its text, scrambled after the
// version line, and the names its "[v" records define with external linkage.
bool bindle_pcode_module(const char *path, lib_module *out);
// Names an intermediate-code text defines with external linkage, in order.
std::vector<std::string> bindle_pcode_definitions(const std::string &text);

// Loads the library's modules (none when the file does not exist and
// missing_ok); false after a message.
bool bindle_load(const std::string &library, bool missing_ok, std::vector<lib_module> *modules);
// Replaces modules of the same name and appends the others, in order.
bool bindle_replace(std::vector<lib_module> *modules, std::vector<lib_module> added);
// Moves the named modules to the front in the given order; the rest keep
// their order after them.
bool bindle_reorder(std::vector<lib_module> *modules, const std::vector<std::string> &names,
                    const std::string &library);
// Writes the library through a temporary file in its own folder, renamed
// over it only when everything was written; false after a message.
bool bindle_store(const std::string &library, const std::vector<lib_module> &modules);

// Runs one command; the exit status.
int bindle_run(const bindle_command &cmd);
// Removes a temporary library left by an interrupted store.
void bindle_cleanup();
