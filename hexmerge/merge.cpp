#include "hexmerge/merge.h"

#include "common/alert.h"
#include "hexmerge/hexlog.h"

enum { MSG_CANT_WRITE = 378 };

void merge_read_inputs(tessik_run *run) {
  for (int i = 0; i < run->input_count; i++) hex_read_input(&run->image, &run->inputs[i], i);
}

void merge_find(tessik_run *run, FILE *log) {
  find_spec *order[MAX_FINDS];
  int n = 0;
  for (int i = run->find_count - 1; i >= 0; i--) {
    edit_find(&run->image, &run->finds[i]);
    order[n++] = &run->finds[i];
  }
  log_find(log, order, n);
}

void merge_edit(tessik_run *run) {
  for (int i = run->serial_count - 1; i >= 0; i--) edit_serial(&run->image, &run->serials[i]);
  for (int i = run->string_count - 1; i >= 0; i--) edit_string(&run->image, &run->strings[i]);
  for (int i = 0; i < run->checksum_count; i++) ck_reserve(&run->image, &run->checksums[i]);
  for (int i = 0; i < run->fill_count; i++)
    edit_fill(&run->image, &run->fills[i], run->output.record_length);
}

void merge_checksums(tessik_run *run) { ck_compute_all(&run->image, run->checksums, run->checksum_count); }

unsigned long merge_write(tessik_run *run) {
  if (run->no_output || msg_failed()) return hex_write(&run->image, &run->output, nullptr);
  if (!run->output_name) {
    unsigned long size = hex_write(&run->image, &run->output, stdout);
    if (fflush(stdout) || ferror(stdout)) msg(MSG_CANT_WRITE, "output", "standard output");
    return size;
  }
  if (!hex_write_file(&run->image, &run->output, run->output_name))
    msg(MSG_CANT_WRITE, "output", run->output_name);
  return hex_write(&run->image, &run->output, nullptr);
}

void merge_report_size(const tessik_run *run, unsigned long size) {
  if (!run->size) return;
  // Beside a hex image on standard output the total goes to standard error.
  FILE *f = run->output_name || run->no_output ? stdout : stderr;
  fprintf(f, "Total data: %lu (%lXh) bytes\n", size, size);
}
