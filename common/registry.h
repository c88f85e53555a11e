// The installation registry (a small file-backed store on this host), the
// installation folders and the product banner.
#pragma once
#include <cstdint>

struct vec;

enum {
  REG_ROOT_CLASSES = 1,
  REG_ROOT_CONFIG = 2,
  REG_ROOT_USER = 3,
  REG_ROOT_MACHINE = 4,
};

// Error codes beside the host's error numbers.
enum {
  REG_OK = 0,
  REG_ERR_TYPE = 160,      // the value has another type
  REG_ERR_TOO_LONG = 234,  // the expanded text does not fit
};

// Installation subfolders by index; 0 is the installation folder itself.
enum {
  REG_DIR_ROOT = 0,
  REG_DIR_BIN = 1,
  REG_DIR_LIB = 2,
  REG_DIR_HELP = 3,
  REG_DIR_INCLUDE = 4,
  REG_DIR_DAT = 5,
  REG_DIR_SOURCES = 6,
  REG_DIR_RESOURCES = 7,
};

extern const char *const reg_product_key;  // "Software\\Quenlor Software\\TOVRA-18\\pro\\9.63"
extern const char *const reg_version_key;  // reg_product_key + "\\PL3"

struct reg_result {
  void *data;     // new storage or null
  uint32_t size;  // bytes
  int error;
};

struct reg_enum_result {
  int root;
  char *subkey;
  vec *names;
  uint32_t count;
  int error;
};

struct reg_value {
  char *name;
  void *data;
  uint32_t size;
  int flag;
};

int reg_get_dword(int root, const char *key, const char *name, uint32_t *out, uint32_t access);
int reg_get_dword_default(int root, const char *key, const char *name, uint32_t *out);
int reg_product_dword(const char *name, uint32_t *out);
reg_result reg_get_binary(int root, const char *key, const char *name);
reg_result reg_get_string(int root, const char *key, const char *name, uint32_t access);
reg_result reg_get_string_default(int root, const char *key, const char *name);
char *reg_product_string(const char *name);
vec *reg_subkeys(int root, const char *key);
reg_enum_result reg_enum_subkeys(int root, const char *key);
int reg_enum_values(vec *out, int root, const char *key);
int reg_set_dword(int root, const char *key, const char *name, uint32_t value);
int reg_set_product_dword(const char *name, uint32_t value);
int reg_set_binary(int root, const char *key, const char *name, const void *data, uint32_t size);
int reg_set_string(int root, const char *key, const char *name, const char *text);
int reg_set_install_dir(const char *folder);
int reg_delete_value(int root, const char *key, const char *name);
int reg_delete_key_tree(int root, const char *key);
char *reg_install_dir(int index);
char *reg_install_path(int index, const char *name);
int reg_env_update(int mode, const char *name, const char *value);

void print_product_banner();
