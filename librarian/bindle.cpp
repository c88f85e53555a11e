#include "librarian/bindle.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "common/alert.h"
#include "common/osdep.h"
#include "linker/io.h"

namespace {

// Message numbers of the librarian.
enum {
  MSG_OPEN = 141,          // cannot open %s file "%s"
  MSG_UNKNOWN_OPTION = 168,
  MSG_WRITE = 378,         // cannot write %s file "%s"
  MSG_BAD_IDENT = 3101,
  MSG_BAD_LIBRARY = 3103,
  MSG_TOO_LARGE = 3104,
  MSG_NOT_PCODE = 3105,
  MSG_NO_MODULE = 3106,
  MSG_NAMED_TWICE = 3107,
  MSG_USAGE = 3109,
  MSG_REPLACE = 3110,
  MSG_BAD_ENTRY = 3111,
  MSG_SAME_MODULE = 3112,
};

// The temporary library being written, removed when the run ends early.
std::string pending_temp;

bool ends_with(const std::string &s, const char *tail) {
  size_t n = strlen(tail);
  return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

bool read_file(const char *path, const char *what, std::string *out) {
  FILE *fp = fopen(path, "rb");
  if (!fp) {
    msg(MSG_OPEN, what, path);
    return false;
  }
  char buf[8192];
  size_t n;
  out->clear();
  while ((n = fread(buf, 1, sizeof buf, fp)) > 0) out->append(buf, n);
  bool ok = !ferror(fp);
  fclose(fp);
  if (!ok) msg(MSG_OPEN, what, path);
  return ok;
}

// Adds a symbol to a module's list: one entry per name, a definition
// winning over references.
void note_symbol(lib_module *m, std::set<std::string> *seen, const std::string &name, uint8_t flag) {
  if (seen->insert(name).second) {
    m->symbols.push_back({name, flag});
    return;
  }
  if (flag != LIB_FLAG_DEFINES) return;
  for (lib_symbol &s : m->symbols)
    if (s.name == name) s.flag = LIB_FLAG_DEFINES;
}

// The global symbols of one SYM body: definitions (kinds 0 and 8) and
// references (kinds 2 and 6).
bool note_sym_record(const io_reader &r, const io_maps *maps, lib_module *m, std::set<std::string> *seen) {
  for (uint32_t pos = 0; pos < r.length;) {
    long next = io_skip_entry(IO_SYM, r.body, r.length, pos);
    if (next < 0) {
      msg(MSG_BAD_ENTRY, "SYM");
      return false;
    }
    uint32_t flags = io_get16(maps, r.body + pos + 4);
    const char *psect = (const char *)r.body + pos + 6;
    const char *name = psect + strlen(psect) + 1;
    if (flags & IO_SYM_GLOBAL) {
      switch (flags & IO_SYM_KIND_MASK) {
        case IO_SYM_DEFINE:
        case IO_SYM_EQUATE:
          note_symbol(m, seen, name, LIB_FLAG_DEFINES);
          break;
        case IO_SYM_COMMON:
        case IO_SYM_REF:
          note_symbol(m, seen, name, LIB_FLAG_REFERS);
          break;
      }
    }
    pos = (uint32_t)next;
  }
  return true;
}

}  // namespace

bool bindle_read_args(int argc, char **argv, bindle_command *cmd) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    const char *word = argv[i];
    if (msg_common_option(word)) continue;
    if (word[1] == 'W') {
      msg_set_warn_level(atoi(word + 2));
      if (strchr(word, '!')) msg_set_warn_as_error(1);
      continue;
    }
    msg(MSG_UNKNOWN_OPTION, word);
    return false;
  }
  if (argc - i < 2 || strlen(argv[i]) != 1 || (argv[i][0] != 'r' && argv[i][0] != 'o')) {
    msg(MSG_USAGE);
    return false;
  }
  cmd->action = argv[i][0];
  cmd->library = argv[i + 1];
  cmd->pcode = ends_with(cmd->library, ".lpp");
  for (i += 2; i < argc; i++) cmd->args.push_back(argv[i]);
  return true;
}

bool bindle_object_module(const char *path, lib_module *out) {
  FILE *fp = fopen(path, "rb");
  if (!fp) {
    msg(MSG_OPEN, "object", path);
    return false;
  }
  io_reader r;
  io_reader_init(&r, fp, IO_MAX_BODY);
  msg_set_context(path, (const int *)&r.record_no, nullptr, nullptr);
  lib_module m;
  m.name = os_basename(path);
  std::set<std::string> seen;
  io_maps maps = io_little_endian;
  bool have_ident = false, ok = true;
  while (ok) {
    if (!read_record_header(&r) || !read_record_body(&r)) {
      ok = false;
      break;
    }
    uint8_t header[IO_HEADER_SIZE] = {(uint8_t)r.length, (uint8_t)(r.length >> 8), r.kind};
    m.contents.insert(m.contents.end(), header, header + IO_HEADER_SIZE);
    m.contents.insert(m.contents.end(), r.body, r.body + r.length);
    if (r.kind == IO_END) break;
    if (r.kind == IO_IDENT) {
      io_ident ident;
      if (!io_ident_parse(r.body, r.length, &ident)) {
        msg(MSG_BAD_IDENT);
        ok = false;
        break;
      }
      // Numbers of a module follow its first IDENT.
      if (!have_ident) maps = ident.maps;
      have_ident = true;
    } else if (r.kind == IO_SYM) {
      if (!have_ident) {
        msg(MSG_BAD_IDENT);
        ok = false;
        break;
      }
      ok = note_sym_record(r, &maps, &m, &seen);
    }
  }
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  fclose(fp);
  if (ok) *out = std::move(m);
  return ok;
}

std::vector<std::string> bindle_pcode_definitions(const std::string &text) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  size_t pos = 0, n = text.size();
  auto skip_line = [&] {
    while (pos < n && text[pos] != '\n') pos++;
  };
  auto next_token = [&](std::string *token) {
    while (pos < n && isspace((unsigned char)text[pos])) pos++;
    size_t start = pos;
    while (pos < n && !isspace((unsigned char)text[pos])) pos++;
    token->assign(text, start, pos - start);
    return pos > start;
  };
  skip_line();  // the version line
  std::string token;
  while (next_token(&token)) {
    if (token[0] == '"' || token == "[;") {  // line marker, assembly line
      skip_line();
      continue;
    }
    if (token != "[v") continue;
    std::vector<std::string> fields;
    while (next_token(&token) && token != "]") fields.push_back(token);
    // name, signature, dimension..., class: extern class with a dimension
    // other than 0 or "-> 0 `x" is a definition.
    if (fields.size() < 4) continue;
    const std::string &name = fields[0];
    const std::string &cls = fields.back();
    if (cls[0] != 'e' && cls[0] != 'E') continue;
    std::vector<std::string> dim(fields.begin() + 2, fields.end() - 1);
    bool declared_only = (dim.size() == 1 && dim[0] == "0") ||
                         (dim.size() == 3 && dim[0] == "->" && dim[1] == "0");
    if (!declared_only && seen.insert(name).second) names.push_back(name);
  }
  return names;
}

bool bindle_pcode_module(const char *path, lib_module *out) {
  std::string text;
  if (!read_file(path, "intermediate", &text)) return false;
  // The reader takes the version line as one line of at most 79 characters.
  size_t newline = text.find('\n');
  if (text.compare(0, 8, "Version ") != 0 || newline == std::string::npos || newline >= 79) {
    msg(MSG_NOT_PCODE, path);
    return false;
  }
  lib_module m;
  m.name = os_basename(path);
  for (const std::string &name : bindle_pcode_definitions(text)) m.symbols.push_back({name, LIB_FLAG_DEFINES});
  m.contents.assign(text.begin(), text.end());
  lib_pcode_scramble(m.contents.data(), m.contents.size());
  *out = std::move(m);
  return true;
}

bool bindle_load(const std::string &library, bool missing_ok, std::vector<lib_module> *modules) {
  modules->clear();
  FILE *fp = fopen(library.c_str(), "rb");
  if (!fp) {
    if (missing_ok && errno == ENOENT) return true;
    msg(MSG_OPEN, "library", library.c_str());
    return false;
  }
  lib_directory dir;
  int status = lib_read_directory(fp, &dir);
  if (status == LIB_OK) status = lib_read_contents(fp, &dir);
  fclose(fp);
  if (status != LIB_OK) {
    msg(MSG_BAD_LIBRARY, library.c_str(), lib_status_text(status));
    return false;
  }
  *modules = std::move(dir.modules);
  return true;
}

bool bindle_replace(std::vector<lib_module> *modules, std::vector<lib_module> added) {
  std::set<std::string> names;
  for (const lib_module &m : added) {
    if (!names.insert(m.name).second) {
      msg(MSG_SAME_MODULE, m.name.c_str());
      return false;
    }
  }
  for (lib_module &m : added) {
    bool replaced = false;
    for (lib_module &old : *modules) {
      if (old.name == m.name) {
        old = std::move(m);
        replaced = true;
        break;
      }
    }
    if (!replaced) modules->push_back(std::move(m));
  }
  return true;
}

bool bindle_reorder(std::vector<lib_module> *modules, const std::vector<std::string> &names,
                    const std::string &library) {
  std::vector<lib_module> ordered;
  std::vector<bool> taken(modules->size(), false);
  std::set<std::string> seen;
  for (const std::string &name : names) {
    if (!seen.insert(name).second) {
      msg(MSG_NAMED_TWICE, name.c_str());
      return false;
    }
    size_t i = 0;
    while (i < modules->size() && (*modules)[i].name != name) i++;
    if (i == modules->size()) {
      msg(MSG_NO_MODULE, name.c_str(), library.c_str());
      return false;
    }
    taken[i] = true;
  }
  for (const std::string &name : names)
    for (size_t i = 0; i < modules->size(); i++)
      if ((*modules)[i].name == name) ordered.push_back(std::move((*modules)[i]));
  for (size_t i = 0; i < modules->size(); i++)
    if (!taken[i]) ordered.push_back(std::move((*modules)[i]));
  *modules = std::move(ordered);
  return true;
}

bool bindle_store(const std::string &library, const std::vector<lib_module> &modules) {
  uint64_t size = lib_directory_size(modules);
  if (size > 0xFFFF || modules.size() > 0xFFFF) {
    msg(MSG_TOO_LARGE, library.c_str(), (unsigned long)size, (unsigned long)modules.size());
    return false;
  }
  std::string temp = library + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    msg(MSG_WRITE, "library", library.c_str());
    return false;
  }
  pending_temp = temp;
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  FILE *fp = fdopen(fd, "wb");
  int status = fp ? lib_write(fp, modules) : LIB_WRITE_FAILED;
  if (fp && fclose(fp) != 0) status = LIB_WRITE_FAILED;
  if (!fp) close(fd);
  if (status != LIB_OK) {
    msg(MSG_WRITE, "library", temp.c_str());
    bindle_cleanup();
    return false;
  }
  if (rename(temp.c_str(), library.c_str()) != 0) {
    msg(MSG_REPLACE, library.c_str());
    bindle_cleanup();
    return false;
  }
  pending_temp.clear();
  return true;
}

void bindle_cleanup() {
  if (!pending_temp.empty()) unlink(pending_temp.c_str());
  pending_temp.clear();
}

int bindle_run(const bindle_command &cmd) {
  std::vector<lib_module> modules;
  if (!bindle_load(cmd.library, cmd.action == 'r', &modules)) return 1;
  if (cmd.action == 'r') {
    std::vector<lib_module> added;
    bool ok = true;
    for (const std::string &path : cmd.args) {
      lib_module m;
      if (cmd.pcode ? bindle_pcode_module(path.c_str(), &m) : bindle_object_module(path.c_str(), &m))
        added.push_back(std::move(m));
      else
        ok = false;
    }
    if (!ok || !bindle_replace(&modules, std::move(added))) return 1;
  } else if (!bindle_reorder(&modules, cmd.args, cmd.library)) {
    return 1;
  }
  if (msg_failed() || !bindle_store(cmd.library, modules)) return 1;
  return 0;
}
