#include "codegen/model/treetext.h"

#include <cstdio>

#include "codegen/model/ops.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

std::string type_string(ctype *t) {
  if (!t) return "?";
  switch (t->kind) {
    case TY_POINTER: return "*" + type_string(t->sub);
    case TY_FUNCTION: return "(" + type_string(t->sub);
    case TY_ARRAY: return "[" + std::to_string(t->count) + "]" + type_string(t->sub);
    case TY_QUALIFIED: {
      std::string q;
      if (t->quals & Q_CONST) q += "C";
      if (t->quals & Q_VOLATILE) q += "V";
      if (t->quals & Q_FAR) q += "F";
      if (t->quals & Q_NEAR) q += "N";
      if (t->quals & Q_PERSISTENT) q += "S";
      return q + type_string(t->sub);
    }
    case TY_BASIC:
    case TY_STRUCT:
    case TY_ENUM:
      return t->name ? t->name : "?";
  }
  return "?";
}

namespace {

std::string text_of(const tree_node *t, bool typed) {
  if (!t) return "<null>";
  char buffer[64];
  switch (t->op) {
    case OP_ID:
      return typed ? std::string(t->sym->name) + ":" + type_string(t->type) : std::string(t->sym->name);
    case OP_CONST:
      return std::to_string(t->value) + "`" + type_string(t->type);
    case OP_FCONST:
      snprintf(buffer, sizeof buffer, ".%g`%s", t->fvalue, type_string(t->type).c_str());
      return buffer;
    case OP_REG:
      return "%" + std::to_string(t->value);
    case OP_TYPE:
      return "`" + type_string(t->type);
    case OP_ASM:
      return std::string("[; ") + (t->text ? t->text : "");
    case OP_CALLARGS: {
      std::string text = "{";
      for (uint32_t k = 0; k < vec_size(t->args); k++) {
        if (k) text += " | ";
        text += text_of(static_cast<const tree_node *>(vec_get(t->args, k)), typed);
      }
      return text + "}";
    }
  }
  std::string text = lextab[t->op];
  if (typed) text += ":" + type_string(t->type);
  if (op_has_operands(t->op)) text += " " + text_of(t->left, typed);
  if (op_is_binary(t->op)) text += " " + text_of(t->right, typed);
  return text;
}

}  // namespace

std::string tree_text(const tree_node *t) { return text_of(t, false); }
std::string tree_typed_text(const tree_node *t) { return text_of(t, true); }
