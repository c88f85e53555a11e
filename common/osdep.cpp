#include "common/osdep.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"

extern char **environ;

void os_assert_fail(const char *expression, const char *module) {
  fflush(stdout);
  fprintf(stderr, "Assertion failed - %s (%s)\n", expression, module);
  abort();
}

// ---- Temporary files ----

struct os_temp_node {
  char *path;
  os_temp_node *next;
};

static os_temp_node *temp_list;  // newest first
static int keep_temps;
static bool exit_handler_installed;

static void remove_temps_at_exit() {
  if (!keep_temps) os_remove_temps();
}

void os_remove_temps() {
  while (os_temp_node *node = temp_list) {
    temp_list = node->next;
    unlink(node->path);
    xfree(node->path);
    xfree(node);
  }
}

void os_keep_temps(int flag) { keep_temps = flag; }

// TEMP, then TMP, then TMPDIR; the first one set is used even when empty,
// which means the current directory.
static std::string temp_directory() {
  for (const char *name : {"TEMP", "TMP", "TMPDIR"}) {
    const char *value = getenv(name);
    if (value) return *value ? value : ".";
  }
  return "/tmp";
}

char *os_tempname() {
  std::string path = temp_directory();
  if (path.back() != '/') path += '/';
  path += "tov";
  std::string pattern = path + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd >= 0) {
    close(fd);
  } else {
    // The folder cannot hold a file: hand back a name anyway so the caller's
    // own attempt to create it reports the failure with the name.
    static unsigned serial;
    snprintf(name.data(), name.size(), "%s%06u", path.c_str(),
             unsigned(getpid() + serial++) % 1000000u);
  }
  char *result = str_dup(name.data());
  os_temp_node *node = static_cast<os_temp_node *>(xalloc(sizeof(os_temp_node)));
  if (node) {
    node->path = str_dup(result);
    node->next = temp_list;
    temp_list = node;
    if (!exit_handler_installed) exit_handler_installed = atexit(remove_temps_at_exit) == 0;
  }
  return result;
}

// ---- Program, environment, time ----

char *os_progname() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return nullptr;
  buffer[n] = '\0';
  return str_dup(buffer);
}

char *os_quote(const char *text) {
  if (!text) return nullptr;
  for (const char *p = text; *p; p++)
    if (isspace(static_cast<unsigned char>(*p))) return strfmt("\"%s\"", text);
  return str_dup(text);
}

int os_setenv(const char *name, const char *value) {
  if (!name) return 0;
  return setenv(name, value ? value : "", 1);
}

time_t os_time(time_t *out) {
  static bool zone_set;
  if (!zone_set) {
    setenv("TZ", "EST0EDT", 1);
    tzset();
    zone_set = true;
  }
  return time(out);
}

// Neither Windows family: the plain flag.
uint32_t os_platform_flags() { return 0x10000; }

// ---- Paths ----

char *os_path_join(const char *dir, const char *name) {
  if (!dir || !*dir || !name) return nullptr;
  size_t dir_len = strlen(dir);
  if (dir[dir_len - 1] == '/') dir_len--;
  if (*name == '/') name++;
  return strfmt("%.*s/%s", int(dir_len), dir, name);
}

// Collapses runs of "/", drops "." components after the first, lets ".."
// remove the component before it and drops a trailing "/" (the root stays).
// A relative path that cancels out entirely becomes ".". The result is never
// longer than the path, so it is built in one buffer that remembers where each
// kept component starts.
char *os_normalise(const char *path) {
  if (!path) return nullptr;
  if (!*path) return str_dup("");
  bool absolute = *path == '/';
  char *out = static_cast<char *>(xalloc(strlen(path) + 2));
  size_t n = absolute ? 1 : 0;
  out[0] = '/';
  std::vector<size_t> starts;
  auto last_is = [&](const char *name) {
    size_t length = strlen(name);
    return !starts.empty() && n - starts.back() == length && memcmp(out + starts.back(), name, length) == 0;
  };
  auto drop_last = [&] {
    n = starts.size() == 1 ? (absolute ? 1 : 0) : starts.back() - 1;
    starts.pop_back();
  };
  const char *p = path;
  while (*p) {
    while (*p == '/') p++;
    if (!*p) break;
    size_t length = strcspn(p, "/");
    bool dot = length == 1 && p[0] == '.';
    bool dotdot = length == 2 && p[0] == '.' && p[1] == '.';
    const char *part = p;
    p += length;
    if (dot && (absolute || !starts.empty())) continue;
    if (dotdot) {
      if (last_is(".")) {
        drop_last();  // "./.." is ".."
      } else if (!starts.empty() && !last_is("..")) {
        drop_last();
        continue;
      } else if (absolute) {
        continue;  // nothing is above the root
      }
    }
    if (!starts.empty()) out[n++] = '/';
    starts.push_back(n);
    memcpy(out + n, part, length);
    n += length;
  }
  if (n == 0) out[n++] = '.';
  out[n] = '\0';
  return out;
}

bool os_is_absolute(const char *path) { return path && *path == '/'; }

static std::string current_directory() {
  char buffer[PATH_MAX + 1];
  return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

char *os_abs_path(const char *path) {
  if (!path) return nullptr;
  if (os_is_absolute(path)) return os_normalise(path);
  char *joined = os_path_join(current_directory().c_str(), path);
  char *result = os_normalise(joined);
  xfree(joined);
  return result;
}

char *os_rel_path(const char *path) {
  char *absolute = os_abs_path(path);
  if (!absolute) return nullptr;
  std::string cwd = current_directory();
  if (!cwd.empty() && cwd.back() == '/') cwd.pop_back();  // the root
  size_t n = cwd.size();
  if (strncmp(absolute, cwd.c_str(), n) != 0 || (absolute[n] != '/' && absolute[n] != '\0'))
    return absolute;
  const char *rest = absolute[n] == '/' ? absolute + n + 1 : absolute + n;
  char *result = str_dup(*rest ? rest : ".");
  xfree(absolute);
  return result;
}

const char *os_basename(const char *path) {
  if (!path) return nullptr;
  const char *slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The part before the last "/"; a name directly under the root gives "/".
char *os_dirname(const char *path) {
  if (!path) return nullptr;
  const char *slash = strrchr(path, '/');
  if (!slash) return nullptr;
  if (slash == path) return str_dup("/");
  return strfmt("%.*s", int(slash - path), path);
}

bool os_exists_exact_case(const char *path) {
  if (!path || !*path) return false;
  const char *name = os_basename(path);
  if (!*name) return os_file_exists(path);
  char *dir = os_dirname(path);
  DIR *d = opendir(dir ? dir : ".");
  xfree(dir);
  if (!d) return false;
  bool found = false;
  while (dirent *entry = readdir(d))
    if (strcmp(entry->d_name, name) == 0) {
      found = true;
      break;
    }
  closedir(d);
  return found;
}

// ---- Sorting and searching ----

static void swap_bytes(char *a, char *b, size_t size) {
  for (size_t k = 0; k < size; k++) {
    char t = a[k];
    a[k] = b[k];
    b[k] = t;
  }
}

// Quicksort without recursion: the larger part of each partition waits on a
// stack while the smaller one is sorted, so the stack stays logarithmic.
void os_qsort(void *base, size_t count, size_t size, os_compare_fn compare) {
  if (count < 2) return;
  OS_ASSERT_NAMED(base, "vbase", "osdep");
  char local_pivot[800];
  char *pivot = local_pivot;
  if (size >= sizeof local_pivot) {
    pivot = static_cast<char *>(malloc(size));
    if (!pivot) return;
  }
  char *elements = static_cast<char *>(base);
  auto at = [&](ptrdiff_t i) { return elements + size_t(i) * size; };

  struct range {
    ptrdiff_t low, high;
  };
  range stack[2 * sizeof(size_t) * CHAR_BIT];
  int depth = 0;
  stack[depth++] = {0, ptrdiff_t(count - 1)};
  while (depth) {
    range r = stack[--depth];
    while (r.low < r.high) {
      memcpy(pivot, at((r.low + r.high) / 2), size);
      ptrdiff_t i = r.low, j = r.high;
      do {
        while (compare(at(i), pivot) < 0) i++;
        while (compare(pivot, at(j)) < 0) j--;
        if (i <= j) {
          if (i != j) swap_bytes(at(i), at(j), size);
          i++;
          j--;
        }
      } while (i <= j);
      if (j - r.low < r.high - i) {
        if (r.high - i >= 1) stack[depth++] = {i, r.high};
        r.high = j;
      } else {
        if (j - r.low >= 1) stack[depth++] = {r.low, j};
        r.low = i;
      }
    }
  }
  if (pivot != local_pivot) free(pivot);
}

void *os_bsearch(const void *key, const void *base, size_t count, size_t size,
                 os_compare_fn compare) {
  if (count == 0 || !base) return nullptr;
  const char *elements = static_cast<const char *>(base);
  ptrdiff_t low = 0, high = ptrdiff_t(count - 1);
  while (low <= high) {
    ptrdiff_t middle = (low + high) / 2;
    const char *element = elements + size_t(middle) * size;
    int order = compare(key, element);
    if (order == 0) return const_cast<char *>(element);
    if (order < 0)
      high = middle - 1;
    else
      low = middle + 1;
  }
  return nullptr;
}

// ---- Programs ----

// The exit status of the program; a program ended by a signal gives 128 plus
// the signal number, as shells report it; -1 when it cannot be started.
int os_spawn(const char *path, char *const argv[]) {
  if (!path || !*path) return -1;
  char *fallback[] = {const_cast<char *>(path), nullptr};
  fflush(nullptr);  // the child must not see our pending output after its own
  pid_t pid;
  if (posix_spawnp(&pid, path, nullptr, nullptr, argv ? argv : fallback, environ) != 0)
    return -1;
  int status;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// ---- Files and texts ----

bool os_file_exists(const char *path) {
  struct stat st;
  return path && stat(path, &st) == 0;
}

bool os_same_file(FILE *open_file, const char *path) {
  struct stat sa, sb;
  return open_file && path && fstat(fileno(open_file), &sa) == 0 && stat(path, &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool os_is_dir(const char *path) {
  struct stat st;
  return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

char *str_lower(char *text) {
  for (char *p = text; p && *p; p++) *p = char(tolower(static_cast<unsigned char>(*p)));
  return text;
}

char *str_upper(char *text) {
  for (char *p = text; p && *p; p++) *p = char(toupper(static_cast<unsigned char>(*p)));
  return text;
}

uint16_t *wstr_copy(uint16_t *dst, const uint16_t *src) {
  uint16_t *d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

size_t wstr_len(const uint16_t *s) {
  size_t n = 0;
  while (s[n]) n++;
  return n;
}

uint16_t *wstr_dup(const uint16_t *s) {
  if (!s) return nullptr;
  uint16_t *copy = static_cast<uint16_t *>(xalloc((wstr_len(s) + 1) * sizeof(uint16_t)));
  return copy ? wstr_copy(copy, s) : nullptr;
}

int wstr_cmp(const uint16_t *a, const uint16_t *b) {
  while (*a && *a == *b) a++, b++;
  return *a < *b ? -1 : *a > *b ? 1 : 0;
}
