#include "common/registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"

const char *const reg_product_key = "Software\\Quenlor Software\\TOVRA-18\\pro\\9.63";
const char *const reg_version_key = "Software\\Quenlor Software\\TOVRA-18\\pro\\9.63\\PL3";

// Limits of what one read hands back, in bytes or characters.
static const uint32_t VALUE_LIMIT = 2048;
static const uint32_t EXPANDED_LIMIT = 4100;
static const size_t SUBKEY_NAME_LIMIT = 2047;
static const size_t ENUM_NAME_LIMIT = 127;

static const char *const install_subfolders[] = {
    nullptr, "bin", "lib", "help", "include", "dat", "sources", "resources",
};

// ---- The store ----
//
// A text file of sections, one per key, holding typed values:
//
//   [4\Software\Quenlor Software\TOVRA-18\pro\9.63\PL3]
//   instdir=sz:/opt/tovra18
//   language=dword:0x00000009
//
// The section names the root selector and the key path. Names and texts
// escape "%", "=", "[", "]", "#" and control characters as "%XX"; binary
// data is hexadecimal. Lines the reader does not understand are kept and
// written back unchanged, so a damaged store loses nothing on the next write.

enum value_type { TYPE_DWORD, TYPE_STRING, TYPE_EXPAND_STRING, TYPE_BINARY };

static const char *const type_names[] = {"dword", "sz", "expand_sz", "binary"};

struct stored_value {
  std::string name;
  value_type type;
  std::string data;  // bytes; a DWORD as four bytes, least significant first
};

struct stored_key {
  std::string path;  // "<root>\<component>\..."
  std::vector<stored_value> values;
  std::vector<std::string> kept_lines;
};

struct store {
  std::vector<stored_key> keys;
  std::vector<std::string> kept_lines;  // not inside any readable section
};

static bool same_name(const std::string &a, const std::string &b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

static bool has_prefix(const std::string &text, const std::string &prefix) {
  return text.size() >= prefix.size() && strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

static std::string escape(const std::string &text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f || strchr("%=[]#", c)) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static std::string unescape(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    int high, low;
    if (text[i] == '%' && i + 2 < text.size() && (high = hex_digit(text[i + 1])) >= 0 &&
        (low = hex_digit(text[i + 2])) >= 0) {
      out += char(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

static std::string dword_bytes(uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; i++) data[i] = char((value >> (8 * i)) & 0xff);
  return data;
}

static uint32_t dword_value(const std::string &data) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; i--) value = value << 8 | uint8_t(data[i]);
  return value;
}

static std::string encode_data(const stored_value &v) {
  char buffer[16];
  switch (v.type) {
    case TYPE_DWORD:
      snprintf(buffer, sizeof buffer, "0x%08x", dword_value(v.data));
      return buffer;
    case TYPE_BINARY: {
      std::string out;
      for (unsigned char c : v.data) {
        snprintf(buffer, sizeof buffer, "%02x", c);
        out += buffer;
      }
      return out;
    }
    default:
      return escape(v.data);
  }
}

static bool decode_data(value_type type, const std::string &text, std::string &data) {
  switch (type) {
    case TYPE_DWORD: {
      if (text.empty()) return false;
      errno = 0;
      char *end;
      unsigned long value = strtoul(text.c_str(), &end, 0);
      if (*end || errno || value > 0xffffffffUL) return false;
      data = dword_bytes(uint32_t(value));
      return true;
    }
    case TYPE_BINARY:
      if (text.size() % 2) return false;
      data.clear();
      for (size_t i = 0; i < text.size(); i += 2) {
        int high = hex_digit(text[i]), low = hex_digit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        data += char(high * 16 + low);
      }
      return true;
    default:
      data = unescape(text);
      return true;
  }
}

// "name=type:data"
static bool parse_value_line(const std::string &line, stored_value &v) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  size_t colon = line.find(':', equals);
  if (colon == std::string::npos) return false;
  std::string type = line.substr(equals + 1, colon - equals - 1);
  for (size_t t = 0; t < sizeof type_names / sizeof *type_names; t++) {
    if (type != type_names[t]) continue;
    v.name = unescape(line.substr(0, equals));
    v.type = value_type(t);
    return decode_data(v.type, line.substr(colon + 1), v.data);
  }
  return false;
}

static std::string root_prefix(int root) {
  if (root < REG_ROOT_CLASSES || root > REG_ROOT_MACHINE) root = REG_ROOT_CLASSES;
  return std::to_string(root);
}

// "<root>\a\b" from a key text, dropping empty components.
static std::string key_path(int root, const char *key) {
  std::string path = root_prefix(root);
  const char *p = key ? key : "";
  while (*p) {
    while (*p == '\\') p++;
    const char *end = p;
    while (*end && *end != '\\') end++;
    if (end > p) path += '\\' + std::string(p, end);
    p = end;
  }
  return path;
}

static bool valid_section(const std::string &path) {
  return path.size() >= 1 && path[0] >= '1' && path[0] <= '4' &&
         (path.size() == 1 || (path[1] == '\\' && path.back() != '\\'));
}

static std::string store_path() {
  const char *named = getenv("TOVRA18_REGISTRY");
  if (named && *named) return named;
  const char *home = getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.config/tovra18/registry";
}

// Reads the store; a missing file is an empty store. The host's error
// number when the file exists but cannot be read.
static int store_load(store &s) {
  std::string path = store_path();
  if (path.empty()) return 0;
  FILE *in = fopen(path.c_str(), "rb");
  if (!in) return errno == ENOENT ? 0 : errno;
  stored_key *current = nullptr;
  char *buffer = nullptr;
  size_t buffer_size = 0;
  ssize_t length;
  while ((length = getline(&buffer, &buffer_size, in)) >= 0) {
    std::string line(buffer, size_t(length));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[' && line.back() == ']') {
      std::string section = unescape(line.substr(1, line.size() - 2));
      current = nullptr;
      if (valid_section(section)) {
        s.keys.push_back({section, {}, {}});
        current = &s.keys.back();
        continue;
      }
    }
    stored_value v;
    if (current && line[0] != '[' && parse_value_line(line, v))
      current->values.push_back(v);
    else
      (current ? current->kept_lines : s.kept_lines).push_back(line);
  }
  int error = ferror(in) ? (errno ? errno : EIO) : 0;
  free(buffer);
  fclose(in);
  return error;
}

static int make_folders(const std::string &folder) {
  if (folder.empty() || os_is_dir(folder.c_str())) return 0;
  size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0)
    if (int error = make_folders(folder.substr(0, slash))) return error;
  return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// Writes the whole store beside its file and renames it into place, so a
// failed write never leaves a half-written store.
static int store_save(const store &s) {
  std::string path = store_path();
  if (path.empty()) return ENOENT;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0)
    if (int error = make_folders(path.substr(0, slash))) return error;

  std::string text = "# tovra18 registry\n";
  for (const std::string &line : s.kept_lines) text += line + '\n';
  for (const stored_key &k : s.keys) {
    text += '[' + escape(k.path) + "]\n";
    for (const stored_value &v : k.values)
      text += escape(v.name) + '=' + type_names[v.type] + ':' + encode_data(v) + '\n';
    for (const std::string &line : k.kept_lines) text += line + '\n';
  }

  std::vector<char> temp(path.begin(), path.end());
  for (char c : std::string(".XXXXXX")) temp.push_back(c);
  temp.push_back('\0');
  int fd = mkstemp(temp.data());
  if (fd < 0) return errno;
  struct stat old_store;
  if (stat(path.c_str(), &old_store) == 0) fchmod(fd, old_store.st_mode & 07777);
  FILE *out = fdopen(fd, "wb");
  if (!out) {
    int error = errno;
    close(fd);
    unlink(temp.data());
    return error;
  }
  bool written = fwrite(text.data(), 1, text.size(), out) == text.size();
  written = fflush(out) == 0 && written;
  int error = written ? 0 : (errno ? errno : EIO);
  if (fclose(out) != 0 && !error) error = errno ? errno : EIO;
  if (!error && rename(temp.data(), path.c_str()) != 0) error = errno;
  if (error) unlink(temp.data());
  return error;
}

static stored_key *find_key(store &s, const std::string &path) {
  for (stored_key &k : s.keys)
    if (same_name(k.path, path)) return &k;
  return nullptr;
}

static bool key_exists(store &s, const std::string &path) {
  if (path.find('\\') == std::string::npos) return true;  // a root
  if (find_key(s, path)) return true;
  for (const stored_key &k : s.keys)
    if (has_prefix(k.path, path + '\\')) return true;
  return false;
}

// The key, created with its parents when missing.
static stored_key &open_key(store &s, const std::string &path) {
  for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
    std::string parent = path.substr(0, at);
    if (parent.find('\\') != std::string::npos && !find_key(s, parent))
      s.keys.push_back({parent, {}, {}});
  }
  if (stored_key *k = find_key(s, path)) return *k;
  s.keys.push_back({path, {}, {}});
  return s.keys.back();
}

static stored_value *find_value(stored_key &k, const char *name) {
  std::string wanted = name ? name : "";
  for (stored_value &v : k.values)
    if (same_name(v.name, wanted)) return &v;
  return nullptr;
}

// Looks a value up for reading; 0 and the value, or the error.
static int read_value(int root, const char *key, const char *name, stored_value &out) {
  store s;
  if (int error = store_load(s)) return error;
  stored_key *k = find_key(s, key_path(root, key));
  stored_value *v = k ? find_value(*k, name) : nullptr;
  if (!v) return ENOENT;
  out = *v;
  return 0;
}

static int write_value(int root, const char *key, const char *name, value_type type,
                       const std::string &data) {
  if (key_path(root, key).find('\\') == std::string::npos) return EINVAL;
  store s;
  if (int error = store_load(s)) return error;
  stored_key &k = open_key(s, key_path(root, key));
  stored_value *v = find_value(k, name);
  if (!v) {
    k.values.push_back({name ? name : "", type, data});
  } else {
    v->type = type;
    v->data = data;
  }
  return store_save(s);
}

// A new copy, always followed by a zero byte (the terminator of a text).
static void *copy_bytes(const std::string &data) {
  char *copy = static_cast<char *>(xalloc(data.size() + 1));
  if (copy) memcpy(copy, data.data(), data.size());
  return copy;
}

// Replaces "%NAME%" by the environment variable's value; a name that is not
// set stays as written.
static std::string expand_environment(const std::string &text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close != std::string::npos && close > i + 1) {
      const char *value = getenv(text.substr(i + 1, close - i - 1).c_str());
      if (value) {
        out += value;
        i = close + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

// ---- Reads ----

int reg_get_dword(int root, const char *key, const char *name, uint32_t *out, uint32_t access) {
  stored_value v;
  if (int error = read_value(root, key, name, v)) return error;
  if (v.type != TYPE_DWORD) return REG_ERR_TYPE;
  if (out) *out = dword_value(v.data);
  return REG_OK;
}

int reg_get_dword_default(int root, const char *key, const char *name, uint32_t *out) {
  return reg_get_dword(root, key, name, out, 0);
}

int reg_product_dword(const char *name, uint32_t *out) {
  return reg_get_dword_default(REG_ROOT_MACHINE, reg_product_key, name, out);
}

reg_result reg_get_binary(int root, const char *key, const char *name) {
  reg_result r = {nullptr, 0, 0};
  stored_value v;
  if ((r.error = read_value(root, key, name, v))) return r;
  if (v.type != TYPE_BINARY) {
    r.error = REG_ERR_TYPE;
  } else if (v.data.size() > VALUE_LIMIT) {
    r.error = REG_ERR_TOO_LONG;
  } else {
    r.data = copy_bytes(v.data);
    r.size = uint32_t(v.data.size());
  }
  return r;
}

reg_result reg_get_string(int root, const char *key, const char *name, uint32_t access) {
  reg_result r = {nullptr, 0, 0};
  stored_value v;
  if ((r.error = read_value(root, key, name, v))) return r;
  if (v.type != TYPE_STRING && v.type != TYPE_EXPAND_STRING) {
    r.error = REG_ERR_TYPE;
    return r;
  }
  std::string text = v.data.substr(0, v.data.find('\0'));
  if (text.size() + 1 > VALUE_LIMIT) {
    r.error = REG_ERR_TOO_LONG;
    return r;
  }
  if (v.type == TYPE_EXPAND_STRING) {
    text = expand_environment(text);
    if (text.size() + 1 > EXPANDED_LIMIT) {
      r.error = REG_ERR_TOO_LONG;
      return r;
    }
  }
  r.data = copy_bytes(text);
  r.size = uint32_t(text.size() + 1);
  return r;
}

reg_result reg_get_string_default(int root, const char *key, const char *name) {
  return reg_get_string(root, key, name, 0);
}

char *reg_product_string(const char *name) {
  return static_cast<char *>(reg_get_string_default(REG_ROOT_MACHINE, reg_product_key, name).data);
}

// Names of the key's direct subkeys in case-insensitive order; error 234 ends
// the list at the first name longer than the limit.
static int list_subkeys(int root, const char *key, size_t limit, vec *names) {
  store s;
  if (int error = store_load(s)) return error;
  std::string path = key_path(root, key);
  if (!key_exists(s, path)) return ENOENT;
  std::string prefix = path + '\\';
  std::vector<std::string> found;
  for (const stored_key &k : s.keys) {
    if (!has_prefix(k.path, prefix)) continue;
    std::string child = k.path.substr(prefix.size());
    child = child.substr(0, child.find('\\'));
    bool known = false;
    for (const std::string &f : found) known = known || same_name(f, child);
    if (!known) found.push_back(child);
  }
  std::sort(found.begin(), found.end(), [](const std::string &a, const std::string &b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  for (const std::string &name : found) {
    if (name.size() > limit) return REG_ERR_TOO_LONG;
    vec_push(names, str_dup(name.c_str()));
  }
  return 0;
}

vec *reg_subkeys(int root, const char *key) {
  vec *names = vec_new_default();
  list_subkeys(root, key, SUBKEY_NAME_LIMIT, names);
  return names;
}

reg_enum_result reg_enum_subkeys(int root, const char *key) {
  reg_enum_result r = {root, str_dup(key ? key : ""), vec_new_default(), 0, 0};
  r.error = list_subkeys(root, key, ENUM_NAME_LIMIT, r.names);
  r.count = vec_size(r.names);
  return r;
}

int reg_enum_values(vec *out, int root, const char *key) {
  if (!out) return EINVAL;
  store s;
  if (int error = store_load(s)) return error;
  std::string path = key_path(root, key);
  stored_key *k = find_key(s, path);
  if (!k) return key_exists(s, path) ? 0 : ENOENT;
  for (const stored_value &v : k->values) {
    if (v.name.size() > ENUM_NAME_LIMIT || v.data.size() > VALUE_LIMIT) return REG_ERR_TOO_LONG;
    bool text = v.type == TYPE_STRING || v.type == TYPE_EXPAND_STRING;
    reg_value *item = static_cast<reg_value *>(xalloc(sizeof(reg_value)));
    item->name = str_dup(v.name.c_str());
    item->data = copy_bytes(v.data);
    item->size = uint32_t(v.data.size() + (text ? 1 : 0));
    item->flag = 0;
    vec_push(out, item);
  }
  return 0;
}

// ---- Writes ----

int reg_set_dword(int root, const char *key, const char *name, uint32_t value) {
  return write_value(root, key, name, TYPE_DWORD, dword_bytes(value));
}

int reg_set_product_dword(const char *name, uint32_t value) {
  return reg_set_dword(REG_ROOT_MACHINE, reg_product_key, name, value);
}

int reg_set_binary(int root, const char *key, const char *name, const void *data, uint32_t size) {
  if (!data && size) return EINVAL;
  std::string bytes = size ? std::string(static_cast<const char *>(data), size) : "";
  return write_value(root, key, name, TYPE_BINARY, bytes);
}

int reg_set_string(int root, const char *key, const char *name, const char *text) {
  if (!text) return EINVAL;
  return write_value(root, key, name, TYPE_STRING, text);
}

int reg_set_install_dir(const char *folder) {
  return reg_set_string(REG_ROOT_MACHINE, reg_version_key, "instdir", folder);
}

int reg_delete_value(int root, const char *key, const char *name) {
  store s;
  if (int error = store_load(s)) return error;
  stored_key *k = find_key(s, key_path(root, key));
  stored_value *v = k ? find_value(*k, name) : nullptr;
  if (!v) return ENOENT;
  k->values.erase(k->values.begin() + (v - k->values.data()));
  return store_save(s);
}

// Removes the key and everything below it in one write. A root cannot be
// deleted.
int reg_delete_key_tree(int root, const char *key) {
  std::string path = key_path(root, key);
  if (path.find('\\') == std::string::npos) return EINVAL;
  store s;
  if (int error = store_load(s)) return error;
  if (!key_exists(s, path)) return ENOENT;
  std::erase_if(s.keys, [&](const stored_key &k) {
    return same_name(k.path, path) || has_prefix(k.path, path + '\\');
  });
  return store_save(s);
}

// ---- Installation folders ----

char *reg_install_dir(int index) {
  if (index < REG_DIR_ROOT || index > REG_DIR_RESOURCES) return nullptr;
  char *folder = nullptr;
  reg_result stored = reg_get_string_default(REG_ROOT_MACHINE, reg_version_key, "instdir");
  if (stored.error == 0 && stored.data && *static_cast<char *>(stored.data)) {
    folder = static_cast<char *>(stored.data);
  } else {
    xfree(stored.data);
    // <prefix>/bin/<program> gives <prefix>.
    char *program = os_progname();
    char *bin = os_dirname(program);
    folder = os_dirname(bin);
    xfree(bin);
    xfree(program);
  }
  if (!folder || index == REG_DIR_ROOT) return folder;
  char *sub = os_path_join(folder, install_subfolders[index]);
  xfree(folder);
  return sub;
}

char *reg_install_path(int index, const char *name) {
  if (!name) return nullptr;
  if (os_is_absolute(name)) return str_dup(name);
  char *folder = reg_install_dir(index);
  if (!folder) return nullptr;
  char *path = os_path_join(folder, name);
  xfree(folder);
  return path;
}

// The system environment of the Windows families has no counterpart on
// this host (os_platform_flags names neither family), so nothing is changed.
int reg_env_update(int mode, const char *name, const char *value) { return 0; }

// ---- Banner ----

struct banner_line {
  const char *label;
  const char *value;  // null: the program's component word
};

static const banner_line banner_lines[] = {
    {"Product", "TOVRA-18"},     {"Edition", "PRO"},        {"Component", nullptr},
    {"Version", "9.63PL3"},      {"Build date", "Jun  5 2009"}, {"Release", ""},
    {"Build number", "4692"},
};

void print_product_banner() {
  fputs("\n", stdout);
  for (const banner_line &line : banner_lines) {
    const char *value = line.value;
    if (!value) value = msg_component() ? msg_component() : "";
    printf("%s:\t%s\n", line.label, value);
  }
  fflush(stdout);
}
