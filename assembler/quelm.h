// The assembler program: its command line and one run over one source.
//   quelm [options] source
//   -o<file>  object (or, with -a, assembly) output; a bare -o is accepted
//   -a        write the checked assembly source instead of an object
//   -C<file>  chip database; -<chip> the chip (a name beginning with a digit
//             or "pic"); the processor directive names it otherwise
//   -l[file]  listing (default: the source's base name and ".lst")
//   -x        no local symbols in the object
//   -E[n]     message format mode; -W<n>[!] warning level
//   -v, -n, -ver=<text>, --opt=<list>: accepted; -ver= heads the listing
//   --edf=, --emax=, --msgdisable=, --disl=: message options; --ver: banner
#pragma once
#include <string>

struct quelm_options {
  std::string source, output, listing, chipdb, chip, version;
  bool assembly_output = false;
  bool exclude_locals = false;
};

// False after a message; exits with status 0 after --ver.
bool quelm_read_options(int argc, char **argv, quelm_options *o);
// Assembles; the exit status. Nothing is left at the output path on failure.
int quelm_run(const quelm_options &o);
// Removes an output that a run ended early could leave behind.
void quelm_cleanup();
