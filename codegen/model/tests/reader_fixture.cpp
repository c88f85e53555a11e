#include "codegen/model/tests/reader_fixture.h"

#include <stdlib.h>

#include <cstdio>
#include <cstring>

#include "codegen/model/callgraph.h"
#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/sdb.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/walk.h"
#include "common/vector.h"
#include "linker/lib.h"

const char IC_VERSION[] = "Version 3.2 Quenlor Software Intermediate Code\n";

void ReaderTest::SetUp() {
  standin_reset();
  reader_reset();
  sdb_reset();
  fresh_model();
  mode_word = 0;
  model.feature_list_mode = false;
  model.read_levels = 1;
  model.switch_strategy = 0;
  std::string pattern = testing::TempDir() + "codrel_reader_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  ASSERT_NE(mkdtemp(buffer.data()), nullptr);
  dir = buffer.data();
}

void ReaderTest::TearDown() {
  sym_set_current_function(nullptr);
  sdb_reset();
}

std::string ReaderTest::write(const std::string &name, const std::string &text) {
  std::string path = dir + "/" + name;
  FILE *fp = fopen(path.c_str(), "wb");
  EXPECT_NE(fp, nullptr) << path;
  if (fp) {
    fwrite(text.data(), 1, text.size(), fp);
    fclose(fp);
  }
  return path;
}

void ReaderTest::read_program(const std::vector<std::string> &texts, const std::vector<std::string> &libraries) {
  std::vector<std::string> paths;
  for (size_t k = 0; k < texts.size(); k++) paths.push_back(write("in" + std::to_string(k) + ".ic", IC_VERSION + texts[k]));
  for (const std::string &l : libraries) paths.push_back(l);
  vec *list = vec_new_default();
  for (const std::string &p : paths) vec_push(list, const_cast<char *>(p.c_str()));
  lex_read_inputs(list);
  vec_free(list);
}

std::string ReaderTest::library(const std::string &name, const std::vector<test_module> &modules) {
  std::vector<lib_module> out;
  for (const test_module &m : modules) {
    lib_module lm;
    lm.name = m.name;
    for (const std::string &d : m.defines) lm.symbols.push_back({d, LIB_FLAG_DEFINES});
    for (const std::string &r : m.refers) lm.symbols.push_back({r, LIB_FLAG_REFERS});
    std::string text = IC_VERSION + m.text;
    lm.contents.assign(text.begin(), text.end());
    lib_pcode_scramble(lm.contents.data(), lm.contents.size());
    out.push_back(lm);
  }
  std::string path = dir + "/" + name;
  FILE *fp = fopen(path.c_str(), "wb");
  EXPECT_NE(fp, nullptr);
  EXPECT_EQ(lib_write(fp, out), LIB_OK);
  fclose(fp);
  return path;
}

symbol *ReaderTest::global(const char *name) {
  vec *globals = sym_global_objects();
  for (uint32_t k = 0; k < vec_size(globals); k++) {
    symbol *s = static_cast<symbol *>(vec_get(globals, k));
    if (strcmp(s->key, name) == 0) return s;
  }
  return sym_find(name);
}

std::string ReaderTest::stored_statements(const char *function) {
  symbol *f = global(function);
  if (!f || !f->ctx) return "<no body>";
  std::string out;
  for (uint32_t k = 0; k < vec_size(f->ctx->stored); k++) {
    tree_node *t = tree_rebuild_stored(static_cast<stored_statement *>(vec_get(f->ctx->stored, k)));
    out += tree_text(t) + "\n";
    tree_free(t);
  }
  return out;
}
