#include "codegen/model/libwant.h"

#include "codegen/model/symbols.h"
#include "common/alloc.h"
#include "common/hash.h"

namespace {

hash_table *wanted;

uint32_t name_hash(const void *key) { return sym_hash_name(static_cast<const char *>(key)); }

}  // namespace

void lib_want_name(const char *name) {
  if (!wanted) wanted = hash_new(128, name_hash, hash_string_equal);
  if (hash_lookup(wanted, name)) return;
  char *key = str_dup(name);
  hash_insert(wanted, key, key);
}

bool lib_is_wanted(const char *name) { return wanted && hash_lookup(wanted, name); }
