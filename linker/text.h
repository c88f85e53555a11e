// Code records and the linked output: TEXT sizing and copying, START and
// SEGSTART, and the pieces of code written to the output object or to a raw
// binary image.
#pragma once
#include <cstdint>
#include <cstdio>

#include "linker/io.h"
#include "linker/link.h"

// The TEXT record of pass 3 whose data is being patched and written.
struct text_piece {
  bool active;
  uint8_t body[IO_BUFFER_SIZE];
  uint32_t data_pos;       // offset of the data within the body
  uint32_t length;         // data bytes
  uint32_t base;           // link address of the first data byte
  uint32_t address;        // output address of the first byte not yet written
  uint32_t write_start;    // data bytes before it are written
  uint32_t write_end;      // end of the last patched field
  uint32_t written;        // data bytes already written for this record
  link_symbol *psect;
  const char *psect_name;  // in body
};

extern text_piece ltext;
extern io_writer lout;
// Set by placement when a psect passes its maximum size: no more output.
extern bool ltext_stopped;

// Opens the output ("wb"); false after message 378.
bool text_open_output(const char *name);
void text_close_output();
// A whole record that the symbol-only output keeps too (IDENT, END).
void text_write_always(uint8_t kind, uint32_t length, const uint8_t *body);
// Stops every further output record.
void text_stop_output();

void text_size();      // TEXT, pass 2
void text_copy();      // TEXT, pass 3
void text_start();     // START, pass 3
void text_segstart();  // SEGSTART, pass 3
// Writes the data of the pending piece up to its write end.
void text_write_piece();
// The rest of the pending piece, then the pending buffered record.
void text_flush();
// End of pass 3: a START record when none was seen, and the END record.
void text_finish();
// The running size of a psect in pass 3 is the current module's offset in it.
uint32_t text_module_offset(const link_symbol *psect);
