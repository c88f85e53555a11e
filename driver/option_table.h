// The driver's option table: every option of tovra18, its processing order,
// argument rules, default and effect, and the hooks that run at fixed points
// of that order.
#pragma once
#include <cstdint>

struct opt_entry;

enum driver_option_id {
  OPTID_LANG = 1,
  OPTID_SETUP,
  OPTID_INIT_HOOK,
  OPTID_IDE,
  OPTID_DEBUGGER,
  OPTID_IDE_HOOK,
  OPTID_ERROR_FILE,
  OPTID_QUIET,
  OPTID_HELP,
  OPTID_MSGDISABLE,
  OPTID_ERRFORMAT,
  OPTID_WARNFORMAT,
  OPTID_MSGFORMAT,
  OPTID_VERBOSE,
  OPTID_WARN,
  OPTID_WARN_HOOK,
  OPTID_SUMMARY,
  OPTID_CHIPINFO,
  OPTID_VER,
  OPTID_MEMMAP,
  OPTID_GETOPTION,
  OPTID_SETOPTION,
  OPTID_CHIP,
  OPTID_CHIP_HOOK,
  OPTID_ERRATA,
  OPTID_PROGRAM_CLASSES_HOOK,
  OPTID_ERRORS,
  OPTID_ROM,
  OPTID_RAM,
  OPTID_ERROR_LIMIT_HOOK,
  OPTID_COMPILE,
  OPTID_SYMBOLS,
  OPTID_PASS1,
  OPTID_ASSEMBLY,
  OPTID_PRE,
  OPTID_CROSS_REF,
  OPTID_NOEXEC,
  OPTID_ECHO,
  OPTID_NODEL,
  OPTID_ASMLIST,
  OPTID_TIME,
  OPTID_PROTO,
  OPTID_SCANDEP,
  OPTID_IDENT_LENGTH,
  OPTID_OUTPUT_NAME,
  OPTID_OUTDIR,
  OPTID_OBJDIR,
  OPTID_PREPROCESS_ASM,
  OPTID_STRICT,
  OPTID_STRIP,
  OPTID_OPT,
  OPTID_OUTPUT,
  OPTID_CHAR,
  OPTID_CALLGRAPH,
  OPTID_DOUBLE,
  OPTID_LINKER,
  OPTID_RUNTIME,
  OPTID_DEFINE,
  OPTID_INCLUDE,
  OPTID_MAP,
  OPTID_UNDEFINE,
  OPTID_FILL,
  OPTID_SERIAL,
  OPTID_CODEOFFSET,
  OPTID_FORCEBANK,
  OPTID_EMI,
  OPTID_MODEL,
  OPTID_POINTER_SIZE,
  OPTID_CHECKSUM,
};

extern opt_entry driver_options[];

// Every bits and one option takes the sum of its default rows, then the
// fixed defaults replace some of them.
void options_apply_defaults();

// Prints the --memmap summaries of an open map file; set by the summary code.
extern void (*memmap_printer)(const char *path);
