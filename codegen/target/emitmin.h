// A minimal emitter for codrel until the PIC18 emitter exists: the whole
// file's header and end, psect lines, data labels, variables, reservations,
// data bytes and function entry and exit are written as short directive
// lines. With emitsizes.cpp it answers the target_services.h emit_ entries
// that code selection does not.
#pragma once

// Forgets the psect and chip state (a fresh program, and tests).
void emitmin_reset();
