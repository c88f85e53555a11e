#include "objconv/objframe.h"

obj_frame_status obj_next_record(io_reader *r, unsigned max_kind) {
  if (r->kind == IO_END) r->record_no = 0;
  r->record_no++;
  uint8_t header[IO_HEADER_SIZE];
  size_t got = fread(header, 1, IO_HEADER_SIZE, r->fp);
  if (got != IO_HEADER_SIZE) {
    r->kind = 0;
    r->length = 0;
    return got == 0 ? OBJ_END_OF_FILE : OBJ_PARTIAL_HEADER;
  }
  r->length = header[0] | (uint32_t)header[1] << 8;
  r->kind = header[2];
  if (r->kind == 0 || r->kind > max_kind) return OBJ_BAD_KIND;
  if (r->length > r->max_body) return OBJ_TOO_LONG;
  if (fread(r->body, 1, r->length, r->fp) != r->length) return OBJ_SHORT_BODY;
  if (r->count_bytes) r->bytes_read += r->length + IO_HEADER_SIZE;
  return OBJ_RECORD;
}
