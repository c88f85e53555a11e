#include "codegen/model/levelcopy.h"

#include <map>
#include <set>

#include "codegen/model/callgraph.h"
#include "codegen/model/symbols.h"
#include "codegen/model/symflags.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

enum { MSG_SHARED_THROUGH_POINTER = 693, MSG_SHARED_WITHOUT_BODY = 694 };

uint32_t lowest_level(uint32_t mask) { return uint32_t(__builtin_ctz(mask)); }

void report(symbol *f, unsigned number, uint32_t levels) {
  const char *file = sym_current_file();
  int line = sym_current_line();
  sym_set_position(f->file, f->line);
  uint32_t first = lowest_level(levels);
  msg(number, sym_asm_name(f), first, lowest_level(levels & ~(1u << first)));
  sym_set_position(file, line);
}

void note_pointer_targets(void *ctx, symbol *pointer, uint32_t) {
  auto &levels = *static_cast<std::map<symbol *, uint32_t> *>(ctx);
  vec *edges = pointer->cg->node->edges;
  for (uint32_t k = 0; k < vec_size(edges); k++) {
    dag_edge *e = static_cast<dag_edge *>(vec_get(edges, k));
    symbol *target = cg_symbol(e->target);
    if ((e->flags & EDGE_CALL) && target && target->cg && (target->cg->flags & CG_FUNCTION))
      levels[target] |= cg_level_mask();
  }
}

bool several(uint32_t mask) { return mask & (mask - 1); }

}  // namespace

void levelcopy_check() {
  struct state {
    std::map<symbol *, uint32_t> indirect;  // levels at which each is called through a pointer
    std::set<symbol *> reported;
  } st;
  cg_traverse_all(note_pointer_targets, &st.indirect, VISIT_POINTERS);
  cg_traverse_all(
      [](void *ctx, symbol *f, uint32_t) {
        state &st = *static_cast<state *>(ctx);
        if (!several(f->levels_called) || (f->flags2 & SYM2_REENTRANT) || (f->flags & SYM_COMPILER_MADE)) return;
        if ((type_qualifiers(f->type) & Q_INTERRUPT) || !st.reported.insert(f).second) return;
        if (st.indirect.count(f))
          report(f, MSG_SHARED_THROUGH_POINTER, f->levels_called);
        else if (!f->ctx)
          report(f, MSG_SHARED_WITHOUT_BODY, f->levels_called);
      },
      &st, VISIT_FUNCTIONS);
}
