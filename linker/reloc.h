// Relocation: RELOC entries patch the fields of the pending TEXT data with
// psect and symbol addresses, distances, selectors and the values of
// stack-machine expressions, which also drive CONDEXPR records and the fields
// of relocated listings.
#pragma once
#include <cstdint>

#include "linker/link.h"
#include "linker/pass.h"

// Field width of a relocation type in bits (the size in bytes times 8 for
// types below 0xC0); 0 for a bad size.
uint32_t reloc_field_bits(uint8_t type);
// Bytes of a field; 0 or above 4 is a bad size.
uint32_t reloc_field_size(uint8_t type);

struct reloc_expr_result {
  bool has_value;
  uint32_t value;
  link_symbol *last_psect;  // the last psect the expression named
  bool broken;              // the body cannot be walked further
};

// Evaluates the expression at the cursor, which ends up behind it. base and
// offset are the data's link address and the field's offset.
reloc_expr_result reloc_eval(body_cursor *c, uint32_t base, uint32_t offset);
// The rotation encoding of operator 21.
uint32_t reloc_rot8(uint32_t value);
// Adds value to the field of type at data[offset] (of length bytes) and
// checks for overflow; false when the field could not be patched (508, 509).
// On overflow *overflow is set and the field keeps the cut sum.
bool reloc_patch(uint8_t *data, uint32_t length, uint32_t offset, uint8_t type, uint32_t value,
                 bool byte_cut, bool *overflow, uint32_t *sum);

// Handlers: RELOC in pass 3, CONDEXPR in every pass.
void reloc_apply();
void reloc_condexpr();
// Patches one field of a relocated listing (4 value bytes) with an
// expression; the patched bytes stay in field.
bool reloc_listing_field(uint8_t *field, uint32_t offset, uint8_t type, body_cursor *expr);
