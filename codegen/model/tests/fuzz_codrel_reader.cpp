// libFuzzer target: the intermediate-code reader. Any bytes read as an
// intermediate file, followed by the pooling of literals, the classing of
// objects and the writing of the initialised data, must be read or refused
// with messages, without reading outside a buffer or running away.
#include <cstdint>
#include <cstdio>

#include "codegen/model/initdata.h"
#include "codegen/model/lexin.h"
#include "codegen/model/literals.h"
#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "common/alert.h"
#include "tests/support/fuzz_quiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
  standin_capture(true);
  if (size == 0) return 0;
  FILE *fp = tmpfile();
  if (!fp) return 0;
  fwrite(data, 1, size, fp);
  rewind(fp);
  reader_reset();
  standin_reset();
  sym_init_types();
  model.read_levels = 1;
  model.switch_strategy = 0;
  sym_set_position("fuzz.ic", 1);
  lex_stream *s = lex_open_file(fp, -1);
  lex_read_file(s);
  lex_close(s);
  fclose(fp);
  lex_pool_strings();
  lex_class_objects();
  lex_emit_initialisers();
  standin_output().clear();
  tree_release_all();
  return 0;
}
