#include "parser/xref.h"

#include <cstdio>
#include <string>

#include "common/alert.h"
#include "parser/exprbuild.h"
#include "parser/parsk.h"
#include "parser/symbols.h"
#include "parser/types.h"

FILE *xref_stream;

namespace {

FILE *proto_stream;

bool lone_void(const param_list *pl) {
  return pl && pl->count == 1 && pl->types[0].code == TC_VOID && !pl->types[0].ptr && !pl->types[0].kind;
}

bool ends_in_ellipsis(const param_list *pl) {
  if (!pl) return false;
  const type_t &last = pl->types[pl->count - 1];
  return last.code == TC_ELLIPSIS && !last.ptr && !last.kind;
}

}  // namespace

bool xref_open(const char *path, const char *input_name) {
  xref_stream = fopen(path, "a");
  if (!xref_stream) {
    msg(338, "xref", path);
    return false;
  }
  fprintf(xref_stream, "~%s\n", input_name);
  return true;
}

void xref_use(const char *name, int line) {
  if (xref_stream) fprintf(xref_stream, "%s %d\n", name, line);
}

void xref_define(const symbol *s) {
  if (xref_stream && s->name[0]) fprintf(xref_stream, "#%s %d\n", s->name, (int)s->line);
}

void xref_file(const char *name) {
  if (xref_stream) fprintf(xref_stream, "~%s\n", name);
}

void xref_close() {
  if (xref_stream) fclose(xref_stream);
  xref_stream = nullptr;
}

bool proto_open(const char *path, bool report_with_perror) {
  proto_stream = fopen(path, "w");
  if (!proto_stream) {
    if (report_with_perror) perror(path);
    else msg(141, "output", path);
    return false;
  }
  return true;
}

void proto_write(symbol *fn, const std::vector<symbol *> &params) {
  type_t ft = type_strip(fn->type);
  const param_list *declared = ft.params;
  bool prototype = declared != nullptr && !ft.old_style;
  bool old_definition = params.empty() ? !declared : !(params[0]->flags & SF_VARIADIC);
  if (proto_stream) {
    std::string list;
    if (popt.proto_no_oldstyle && old_definition) {
      list = "";
    } else if (params.empty()) {
      list = popt.proto_no_oldstyle && !declared ? "" : "void";
    } else {
      for (size_t i = 0; i < params.size(); i++) {
        if (i) list += ", ";
        list += type_text(params[i]->type);
      }
      if (ends_in_ellipsis(declared)) list += ", ...";
    }
    std::string line = fn->cls == SC_STATIC ? "static " : "extern ";
    line += type_declaration_text(type_result(ft), std::string(fn->name) + "(" + list + ")");
    fprintf(proto_stream, "%s;\n", line.c_str());
  }
  // An old-style definition is held to an earlier prototype.
  if (!old_definition || !prototype || lone_void(declared)) return;
  size_t fixed = declared->count - (ends_in_ellipsis(declared) ? 1 : 0);
  if (fixed != params.size()) {
    msg(253, fn->name);
    return;
  }
  // A listed parameter meets the prototype's in its promoted type, as C
  // has it, or in its own type, which calls through the prototype pass.
  for (size_t i = 0; i < fixed; i++) {
    if (!type_equal(declared->types[i], params[i]->type, true) &&
        !type_equal(declared->types[i], expr_argument_promoted(params[i]->type), true)) {
      msg(252, (int)(i + 1), fn->name);
      if (popt.warn_level < 0) type_describe_pair(params[i]->type, declared->types[i], " / ");
    }
  }
}

void proto_close() {
  if (proto_stream) fclose(proto_stream);
  proto_stream = nullptr;
}
