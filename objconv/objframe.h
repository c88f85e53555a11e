// Record framing for the object converters. They read the record module's
// layouts through linker/io.h, but report framing faults under message
// numbers of their own, so this reader only frames and classifies; the caller
// chooses the message.
#pragma once
#include <cstdint>

#include "linker/io.h"

enum obj_frame_status {
  OBJ_RECORD,          // header and body read into the reader
  OBJ_END_OF_FILE,     // no byte left before a header
  OBJ_PARTIAL_HEADER,  // the file ends inside a header
  OBJ_BAD_KIND,        // kind 0 or above max_kind (r->kind holds it)
  OBJ_TOO_LONG,        // body above r->max_body (r->length holds it)
  OBJ_SHORT_BODY,      // the file ends inside the body
};

// Reads the next record into r (kind, length, body) and counts it.
obj_frame_status obj_next_record(io_reader *r, unsigned max_kind);
