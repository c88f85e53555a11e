#include "objconv/pellow.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "linker/io.h"

namespace {

enum {
  MSG_CANT_OPEN = 141,
  MSG_CANT_WRITE = 378,
  MSG_BAD_KIND = 380,
  MSG_RECORD_TOO_LONG = 381,
  MSG_SHORT_RECORD = 382,
  MSG_WRITE_FAILED = 413,
  MSG_CANT_REMOVE = 459,
  MSG_CANT_REPLACE = 460,
};

// Every kind the linker reads is copied.
const unsigned max_kind = IO_KIND_LAST;

std::string temp_path;  // of the file being stripped, empty when none

// The file that a path names, through symbolic links, so that the copy
// replaces the file itself rather than the link.
std::string real_target(const char *path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) ? std::string(resolved) : std::string(path);
}

std::string folder_of(const std::string &path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// SYM entries: u32 value, u16 flags, psect name, symbol name. A listed
// symbol's definition loses its global flag; commons and references keep it.
bool strip_symbols(const pellow_options *o, uint8_t *body, uint32_t length, const io_maps *maps) {
  uint32_t pos = 0;
  while (pos < length) {
    long next = io_skip_entry(IO_SYM, body, length, pos);
    if (next < 0) return false;
    const char *psect = (const char *)body + pos + 6;
    const char *name = psect + strlen(psect) + 1;
    uint8_t *low = body + pos + 4 + maps->m16[0];
    if (pellow_name_listed(o, name) && (*low & 0x16) == IO_SYM_GLOBAL) *low &= (uint8_t)~IO_SYM_GLOBAL;
    pos = (uint32_t)next;
  }
  return true;
}

// Errors of a rename that lie with the input's own name, which will not let
// go (an immutable file, a folder, a mount): it cannot be removed either.
bool input_holds_on(int error) {
  static const int errors[] = {EPERM, EACCES, EBUSY, EISDIR, EROFS, ETXTBSY, ENOTEMPTY, EEXIST};
  for (int e : errors)
    if (error == e) return true;
  return false;
}

// Copies the first module of in to out; false after a message.
bool copy_module(const pellow_options *o, FILE *in, FILE *out) {
  io_reader r;
  io_reader_init(&r, in, IO_MAX_BODY_LAX);
  io_maps maps = io_little_endian;
  for (;;) {
    switch (io_next_record(&r, max_kind)) {
      case IO_FRAME_RECORD:
        break;
      case IO_FRAME_END_OF_FILE:
      case IO_FRAME_PARTIAL_HEADER:
        return true;
      case IO_FRAME_BAD_KIND:
        msg(MSG_BAD_KIND, (unsigned)r.kind);
        return false;
      case IO_FRAME_TOO_LONG:
        msg(MSG_RECORD_TOO_LONG, io_kind_name(r.kind), (unsigned)r.length);
        return false;
      case IO_FRAME_SHORT_BODY:
        msg(MSG_SHORT_RECORD, (unsigned)r.kind, (unsigned)r.length);
        return false;
    }
    bool good = true;
    if (r.kind == IO_IDENT) {
      io_maps taken = maps;
      if (r.length >= 6) memcpy(taken.m16, r.body + 4, 2);
      good = r.length >= 6 && taken.m16[0] + taken.m16[1] == 1;
      if (good) maps = taken;
    } else if (r.kind == IO_SYM) {
      good = strip_symbols(o, r.body, r.length, &maps);
    }
    if (!good) {
      msg(MSG_SHORT_RECORD, (unsigned)r.kind, (unsigned)r.length);
      return false;
    }
    uint8_t header[IO_HEADER_SIZE] = {(uint8_t)r.length, (uint8_t)(r.length >> 8), r.kind};
    if (fwrite(header, 1, sizeof header, out) != sizeof header ||
        fwrite(r.body, 1, r.length, out) != r.length) {
      msg(MSG_WRITE_FAILED, temp_path.c_str());
      return false;
    }
    if (r.kind == IO_END) return true;
  }
}

}  // namespace

int pellow_options_read(int argc, char **argv, pellow_options *o) {
  static const char *const message_options[] = {"--edf=", "--disl=", "--emax="};
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    const char *word = argv[i];
    if (strcmp(word, "--ver") == 0) return 1;
    bool taken = false;
    for (const char *prefix : message_options)
      if (strncmp(word, prefix, strlen(prefix)) == 0) taken = msg_common_option(word);
    if (taken) continue;
    for (const char *p = word + 1; *p;) {
      size_t n = strcspn(p, ",");
      if (n) o->names.emplace_back(p, n);
      p += n;
      if (*p) p++;
    }
  }
  for (; i < argc; i++) o->files.emplace_back(argv[i]);
  if (o->files.empty()) o->files.emplace_back("l.obj");
  return 0;
}

bool pellow_name_listed(const pellow_options *o, const char *symbol) {
  for (const std::string &name : o->names)
    if (name == symbol || (symbol[0] == '_' && name == symbol + 1)) return true;
  return false;
}

int pellow_strip_file(const pellow_options *o, const char *path) {
  msg_set_context(path, nullptr, nullptr, nullptr);
  FILE *in = fopen(path, "rb");
  if (!in) {
    msg(MSG_CANT_OPEN, "input", path);
    return 0;
  }
  std::string target = real_target(path);
  temp_path = folder_of(target) + "/pellowXXXXXX";
  int fd = mkstemp(temp_path.data());
  FILE *out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (!out) {
    msg(MSG_CANT_WRITE, "temporary", temp_path.c_str());
    if (fd >= 0) {
      close(fd);
      pellow_cleanup();
    }
    temp_path.clear();
    fclose(in);
    return 0;
  }
  struct stat st;
  if (fstat(fileno(in), &st) == 0) fchmod(fd, st.st_mode & 07777);
  bool good = copy_module(o, in, out);
  // A read that failed is no end of the file: its copy is short.
  if (good && ferror(in)) {
    msg(MSG_CANT_OPEN, "input", path);
    good = false;
  }
  fclose(in);
  if (fclose(out) != 0 && good) {
    msg(MSG_WRITE_FAILED, temp_path.c_str());
    good = false;
  }
  if (good && rename(temp_path.c_str(), target.c_str()) != 0) {
    int error = errno;
    msg(input_holds_on(error) ? MSG_CANT_REMOVE : MSG_CANT_REPLACE, error, strerror(error));
    good = false;
  }
  if (good)
    temp_path.clear();
  else
    pellow_cleanup();
  return good;
}

void pellow_cleanup() {
  if (temp_path.empty()) return;
  remove(temp_path.c_str());
  temp_path.clear();
}
