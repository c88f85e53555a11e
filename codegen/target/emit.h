// The PIC18 assembly file codrel writes: the header with the special
// function registers, the psect table and its directives, function entry
// and exit (interrupt register saving), labels, variables, reservations,
// data and float constants, line directives and the end of the file.
#pragma once
#include <cstdint>

// Psect numbers of the table.
enum {
  PS_FARBSS = 1, PS_FARDATA, PS_IFARDATA, PS_BSS, PS_TEXT, PS_ABSTEXT, PS_DATA, PS_IDATA, PS_RBSS, PS_STRINGS,
  PS_SMALLCONST, PS_MEDIUMCONST, PS_CONST, PS_SWITCHTABLE, PS_NVRAM, PS_RBIT, PS_INTCODE, PS_INTCODELO,
  PS_INTENTRY, PS_RDATA, PS_IRDATA, PS_INTSAVE_REGS, PS_INTRET, PS_BIGBSS, PS_BIGDATA, PS_IBIGDATA, PS_NVRRAM,
  PS_NVBIT, PS_COUNT
};

struct emit_psect_row {
  const char *name;   // may hold one "%u": the text psect number
  const char *flags;  // the directive's text after the name
};
extern const emit_psect_row emit_psect_table[PS_COUNT];

// Forgets the psects written and the function numbering (a fresh program, tests).
void emit_reset();
// The psect number emit_select_psect chose last.
int emit_selected_psect();
// Largest structure a function returns, for the structret area.
void emit_note_struct_return(uint32_t bytes);
