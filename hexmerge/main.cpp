// tessik [+]<input>... [options]: merges Intel HEX files, edits and
// checksums the image, writes it and a log.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "common/alert.h"
#include "hexmerge/hexlog.h"
#include "hexmerge/merge.h"

enum { MSG_NO_MEMORY = 294, PAGE_RECORD_BYTES = 140 };

static tessik_run *run;
static FILE *log_file;

static void prog_exit(int status) {
  if (log_file) fclose(log_file);
  log_file = nullptr;
  if (run) tessik_free(run);
  delete run;
  run = nullptr;
  fflush(stdout);
  exit(status);
}

static void merge(int argc, char **argv) {
  int status = tessik_read_options(run, argc, argv);
  if (status != TESSIK_GO_ON) prog_exit(status);
  merge_read_inputs(run);
  if (run->log_name) log_file = log_create(run->log_name);
  merge_find(run, log_file);
  merge_edit(run);
  merge_checksums(run);
  unsigned long size = merge_write(run);
  merge_report_size(run, size);
  log_final(log_file, &run->image, run->size, size, run->checksums, run->checksum_count);
  if (log_file && (fclose(log_file) != 0)) msg(378, "logfile", run->log_name);
  log_file = nullptr;
}

int main(int argc, char **argv) {
  msg_set_component("tessik");
  msg_set_exit_hook(prog_exit);
  run = new tessik_run();
  tessik_init(run);
  try {
    merge(argc, argv);
  } catch (const std::bad_alloc &) {
    msg(MSG_NO_MEMORY, (unsigned)PAGE_RECORD_BYTES);
    prog_exit(1);
  }
  prog_exit(msg_failed() ? 1 : 0);
}
