#include "driver/usb.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "driver/files.h"

namespace {

struct usb_endpoint {
  uint32_t number = 0;
  uint32_t direction = 0;  // 80h in, 0 out
  uint32_t type = 0;       // 0 control, 1 isochronous, 2 bulk, 3 interrupt
  uint32_t packet_size = 0;
  uint32_t interval = 0;
};

// Device firmware upgrade function descriptor.
struct usb_function {
  uint32_t attributes = 0;  // 8 detach, 4 tolerant, 2 upload, 1 download
  uint32_t timeout = 0;
  uint32_t transfer = 0;
  uint32_t version = 0;
};

struct usb_interface {
  uint32_t id = 0;
  uint32_t name = 0;  // string index, 0 for none
  uint32_t cls = 0, subclass = 0, protocol = 0;
  std::vector<usb_endpoint> endpoints;
  std::vector<usb_function> functions;
};

struct usb_config {
  uint32_t id = 0;
  uint32_t name = 0;
  uint32_t attributes = 0x80;  // 40h self powered, 20h remote wakeup
  uint32_t max_power = 0;      // in 2 mA units
  uint32_t total = 9;          // bytes of its configuration, interface, endpoint and function descriptors
  std::vector<usb_interface> interfaces;
};

struct usb_device {
  std::string name;
  uint32_t version = 0;  // binary-coded decimal, 0200h for 2.0
  uint32_t cls = 0, subclass = 0, protocol = 0;
  uint32_t packet_size = 64;
  uint32_t vid = 0, pid = 0, release = 0;
  uint32_t manufacturer = 0, product = 0, serial = 0;  // string indexes
  std::vector<usb_config> configs;
  std::vector<std::string> strings;  // index = position + 1
  uint32_t next_interface = 0;
};

enum usb_block { BLOCK_TOP, BLOCK_DEVICE, BLOCK_CONFIG, BLOCK_INTERFACE, BLOCK_ENDPOINT, BLOCK_FUNCTION };

struct usb_reader {
  std::vector<usb_device> devices;
  std::string default_serial;
  bool has_default_serial = false;
  int block = BLOCK_TOP;

  usb_device &device() { return devices.back(); }
  usb_config &config() { return device().configs.back(); }
  usb_interface &interface() { return config().interfaces.back(); }
  usb_endpoint &endpoint() { return interface().endpoints.back(); }
  usb_function &function() { return interface().functions.back(); }
};

// The length byte of a string descriptor counts 2 bytes per character and 2 more.
const size_t USB_STRING_MAX = 126;

void bad_value(const char *keyword, const char *why) { msg(1236, keyword, why); }

// A number in C notation (0x hexadecimal, leading 0 octal) up to the limit.
bool read_number(const char *keyword, const char *value, uint32_t limit, const char *limit_text, uint32_t &out) {
  char *end;
  unsigned long n = strtoul(value, &end, 0);
  if (end == value) {
    bad_value(keyword, "expected a number");
    return false;
  }
  if (n > limit || value[strspn(value, " \t")] == '-') {
    bad_value(keyword, limit_text);
    return false;
  }
  out = uint32_t(n);
  return true;
}

bool read_byte(const char *keyword, const char *value, uint32_t &out) {
  return read_number(keyword, value, 0xFF, "must be <= 255", out);
}

bool read_word(const char *keyword, const char *value, uint32_t &out) {
  return read_number(keyword, value, 0xFFFF, "must be <= 0xFFFF", out);
}

// "major.minor" as binary-coded decimal: 2.0 is 0200h, 1.1 and 1.10 are 0110h.
bool read_version(const char *keyword, const char *value, uint32_t &out) {
  const char *p = value + strspn(value, " \t");
  size_t major_digits = strspn(p, "0123456789");
  uint32_t bcd = 0;
  bool ok = major_digits >= 1 && major_digits <= 2;
  for (size_t i = 0; ok && i < major_digits; i++) bcd = bcd << 4 | uint32_t(p[i] - '0');
  p += major_digits;
  uint32_t minor = 0;
  if (ok && *p == '.') {
    size_t minor_digits = strspn(++p, "0123456789");
    ok = minor_digits <= 2;
    for (size_t i = 0; ok && i < 2; i++) minor = minor << 4 | (i < minor_digits ? uint32_t(p[i] - '0') : 0);
  }
  if (!ok) {
    bad_value(keyword, "expected version number");
    return false;
  }
  out = bcd << 8 | minor;
  return true;
}

// class[,subclass[,protocol]]
void read_class(const char *keyword, const char *value, uint32_t &cls, uint32_t &subclass, uint32_t &protocol) {
  if (!*value) return bad_value(keyword, "");
  uint32_t *fields[] = {&cls, &subclass, &protocol};
  const char *p = value;
  for (uint32_t *field : fields) {
    if (!read_byte(keyword, p, *field)) return;
    p = strchr(p, ',');
    if (!p) return;
    p++;
  }
}

// 1 for yes, 0 for no, -1 (reported) for anything else.
int read_yes_no(const char *keyword, const char *value) {
  if (strcasecmp(value, "yes") == 0) return 1;
  if (strcasecmp(value, "no") == 0) return 0;
  bad_value(keyword, "expected \"yes\" or \"no\"");
  return -1;
}

void set_flag(uint32_t &attributes, uint32_t flag, const char *keyword, const char *value) {
  int yes = read_yes_no(keyword, value);
  if (yes == 1) attributes |= flag;
  if (yes == 0) attributes &= ~flag;
}

// The string's index in the device's list; an equal string is shared. An
// empty text is no string.
uint32_t enter_string(usb_device &device, const char *keyword, std::string text) {
  if (text.empty()) return 0;
  if (text.size() > USB_STRING_MAX) {
    msg(1239, keyword, int(USB_STRING_MAX));
    text.resize(USB_STRING_MAX);
  }
  for (size_t i = 0; i < device.strings.size(); i++)
    if (device.strings[i] == text) return uint32_t(i + 1);
  device.strings.push_back(text);
  return uint32_t(device.strings.size());
}

bool is_identifier(const std::string &name) {
  if (name.empty() || isdigit(uint8_t(name[0]))) return false;
  for (char c : name)
    if (!isalnum(uint8_t(c)) && c != '_') return false;
  return true;
}

std::string trimmed(const char *text) {
  std::string s = text;
  size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
  return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

// ---- Keyword handlers ----

void on_device(usb_reader &r, const char *keyword, const char *value) {
  std::string name = trimmed(value);
  if (!is_identifier(name)) bad_value(keyword, "expected a C identifier");
  for (const usb_device &d : r.devices)
    if (d.name == name) bad_value(keyword, "the name is used by another device");
  r.devices.emplace_back();
  r.device().name = name;
  r.block = BLOCK_DEVICE;
}

void on_top_serial(usb_reader &r, const char *, const char *value) {
  r.default_serial = value;
  r.has_default_serial = true;
}

void on_usb(usb_reader &r, const char *keyword, const char *value) { read_version(keyword, value, r.device().version); }

void on_device_class(usb_reader &r, const char *keyword, const char *value) {
  usb_device &d = r.device();
  read_class(keyword, value, d.cls, d.subclass, d.protocol);
}

// The control endpoint's packet size is one byte of the device descriptor.
void on_device_packet(usb_reader &r, const char *keyword, const char *value) {
  read_byte(keyword, value, r.device().packet_size);
}

void on_vid(usb_reader &r, const char *keyword, const char *value) { read_word(keyword, value, r.device().vid); }
void on_pid(usb_reader &r, const char *keyword, const char *value) { read_word(keyword, value, r.device().pid); }
void on_release(usb_reader &r, const char *keyword, const char *value) {
  read_word(keyword, value, r.device().release);
}

void on_manufacturer(usb_reader &r, const char *keyword, const char *value) {
  r.device().manufacturer = enter_string(r.device(), keyword, value);
}
void on_product(usb_reader &r, const char *keyword, const char *value) {
  r.device().product = enter_string(r.device(), keyword, value);
}
void on_serial(usb_reader &r, const char *keyword, const char *value) {
  r.device().serial = enter_string(r.device(), keyword, value);
}

void on_config(usb_reader &r, const char *keyword, const char *value) {
  usb_device &d = r.device();
  usb_config config;
  config.id = uint32_t(d.configs.size() + 1);
  config.name = enter_string(d, keyword, value);
  d.configs.push_back(config);
  r.block = BLOCK_CONFIG;
}

// Counts that the descriptors hold in one byte (or two for a total size)
// are checked when the device closes.
void check_device(const usb_device &d) {
  size_t entries = 1 + d.strings.size() + (d.serial ? 0 : 1);
  if (d.configs.empty()) bad_value("DEVICE", "the device has no configuration");
  if (d.configs.size() > 0xFF) bad_value("DEVICE", "more than 255 configurations");
  if (entries > 0xFF) bad_value("DEVICE", "more than 255 string descriptors");
  if (d.next_interface > 0x100) bad_value("DEVICE", "more than 256 interfaces");
  for (const usb_config &c : d.configs) {
    if (c.total > 0xFFFF) bad_value("CONFIG", "descriptors longer than 0xFFFF bytes");
    for (const usb_interface &i : c.interfaces)
      if (i.endpoints.size() > 0xFF) bad_value("INTERFACE", "more than 255 endpoints");
  }
}

void close_device(usb_reader &r) {
  usb_device &d = r.device();
  if (!d.serial && r.has_default_serial) d.serial = enter_string(d, "SERIAL", r.default_serial);
  check_device(d);
  r.block = BLOCK_TOP;
}

void on_end_device(usb_reader &r, const char *, const char *) { close_device(r); }

void on_power(usb_reader &r, const char *keyword, const char *value) {
  usb_config &c = r.config();
  const char *comma = strchr(value, ',');
  std::string word(value, comma ? size_t(comma - value) : strlen(value));
  bool self = strcasecmp(word.c_str(), "self") == 0;
  if (!self && strcasecmp(word.c_str(), "bus") != 0) return bad_value(keyword, "expected \"bus\" or \"self\"");
  if (self) c.attributes |= 0x40;
  else c.attributes &= ~0x40u;
  char *end = nullptr;
  unsigned long ma = comma ? strtoul(comma + 1, &end, 0) : 0;
  if (!comma || end == comma + 1 || ma == 0) return bad_value(keyword, "expected current draw in mA > 0");
  if (ma > 510) return bad_value(keyword, "must be <= 510");
  c.max_power = uint32_t((ma + 1) / 2);
}

void on_wakeup(usb_reader &r, const char *keyword, const char *value) {
  set_flag(r.config().attributes, 0x20, keyword, value);
}

void on_interface(usb_reader &r, const char *keyword, const char *value) {
  usb_device &d = r.device();
  usb_interface interface;
  interface.id = d.next_interface++;
  interface.name = enter_string(d, keyword, value);
  r.config().interfaces.push_back(interface);
  r.config().total += 9;
  r.block = BLOCK_INTERFACE;
}

void on_end_config(usb_reader &r, const char *, const char *) { r.block = BLOCK_DEVICE; }

void on_interface_class(usb_reader &r, const char *keyword, const char *value) {
  usb_interface &i = r.interface();
  read_class(keyword, value, i.cls, i.subclass, i.protocol);
}

// The endpoint address holds the number in its low 4 bits.
void on_endpoint(usb_reader &r, const char *keyword, const char *value) {
  usb_endpoint endpoint;
  if (read_number(keyword, value, 15, "must be <= 15", endpoint.number) && endpoint.number == 0) msg(1237);
  r.interface().endpoints.push_back(endpoint);
  r.config().total += 7;
  r.block = BLOCK_ENDPOINT;
}

void on_dfu_function(usb_reader &r, const char *, const char *) {
  r.interface().functions.push_back(usb_function());
  r.block = BLOCK_FUNCTION;
}

void on_end_interface(usb_reader &r, const char *, const char *) { r.block = BLOCK_CONFIG; }

void on_dir(usb_reader &r, const char *keyword, const char *value) {
  if (strcasecmp(value, "in") == 0)
    r.endpoint().direction = 0x80;
  else if (strcasecmp(value, "out") == 0)
    r.endpoint().direction = 0;
  else
    bad_value(keyword, "expected \"in\" or \"out\"");
}

void on_type(usb_reader &r, const char *keyword, const char *value) {
  static const struct {
    const char *word;
    uint32_t type;
  } types[] = {{"control", 0}, {"iso", 1}, {"isosynchronous", 1}, {"bulk", 2}, {"interrupt", 3}};
  for (const auto &t : types)
    if (strcasecmp(value, t.word) == 0) {
      r.endpoint().type = t.type;
      return;
    }
  bad_value(keyword, "");
}

void on_endpoint_packet(usb_reader &r, const char *keyword, const char *value) {
  read_number(keyword, value, 1024, "must be <= 1024", r.endpoint().packet_size);
}

void on_interval(usb_reader &r, const char *keyword, const char *value) {
  read_byte(keyword, value, r.endpoint().interval);
}

void on_end_endpoint(usb_reader &r, const char *, const char *) { r.block = BLOCK_INTERFACE; }

void on_function_flag(usb_reader &r, const char *keyword, const char *value) {
  static const struct {
    const char *word;
    uint32_t flag;
  } flags[] = {{"DETACH", 8}, {"TOLERANT", 4}, {"UPLOAD", 2}, {"DOWNLOAD", 1}};
  for (const auto &f : flags)
    if (strcasecmp(keyword, f.word) == 0) set_flag(r.function().attributes, f.flag, keyword, value);
}

void on_timeout(usb_reader &r, const char *keyword, const char *value) {
  read_word(keyword, value, r.function().timeout);
}

void on_transfer(usb_reader &r, const char *keyword, const char *value) {
  uint32_t size;
  if (!read_word(keyword, value, size)) return;
  if (size > r.device().packet_size) return bad_value(keyword, "");
  r.function().transfer = size;
}

void on_function_version(usb_reader &r, const char *keyword, const char *value) {
  read_version(keyword, value, r.function().version);
}

void close_function(usb_reader &r) {
  r.config().total += 9;
  r.block = BLOCK_INTERFACE;
}

void on_end_function(usb_reader &r, const char *, const char *) { close_function(r); }

struct usb_keyword {
  int block;
  const char *name;
  void (*handle)(usb_reader &r, const char *keyword, const char *value);
};

const usb_keyword keywords[] = {
    {BLOCK_TOP, "DEVICE", on_device},
    {BLOCK_TOP, "SERIAL", on_top_serial},
    {BLOCK_DEVICE, "USB", on_usb},
    {BLOCK_DEVICE, "CLASS", on_device_class},
    {BLOCK_DEVICE, "PACKETSIZE", on_device_packet},
    {BLOCK_DEVICE, "VID", on_vid},
    {BLOCK_DEVICE, "PID", on_pid},
    {BLOCK_DEVICE, "RELEASE", on_release},
    {BLOCK_DEVICE, "MANUFACTURER", on_manufacturer},
    {BLOCK_DEVICE, "PRODUCT", on_product},
    {BLOCK_DEVICE, "SERIAL", on_serial},
    {BLOCK_DEVICE, "CONFIG", on_config},
    {BLOCK_DEVICE, "ENDDEVICE", on_end_device},
    {BLOCK_CONFIG, "POWER", on_power},
    {BLOCK_CONFIG, "WAKEUP", on_wakeup},
    {BLOCK_CONFIG, "INTERFACE", on_interface},
    {BLOCK_CONFIG, "ENDCONFIG", on_end_config},
    {BLOCK_INTERFACE, "CLASS", on_interface_class},
    {BLOCK_INTERFACE, "ENDPOINT", on_endpoint},
    {BLOCK_INTERFACE, "DFU_FUNCTION", on_dfu_function},
    {BLOCK_INTERFACE, "ENDINTERFACE", on_end_interface},
    {BLOCK_ENDPOINT, "DIR", on_dir},
    {BLOCK_ENDPOINT, "TYPE", on_type},
    {BLOCK_ENDPOINT, "PACKETSIZE", on_endpoint_packet},
    {BLOCK_ENDPOINT, "INTERVAL", on_interval},
    {BLOCK_ENDPOINT, "ENDENDPOINT", on_end_endpoint},
    {BLOCK_FUNCTION, "DETACH", on_function_flag},
    {BLOCK_FUNCTION, "TOLERANT", on_function_flag},
    {BLOCK_FUNCTION, "UPLOAD", on_function_flag},
    {BLOCK_FUNCTION, "DOWNLOAD", on_function_flag},
    {BLOCK_FUNCTION, "TIMEOUT", on_timeout},
    {BLOCK_FUNCTION, "TRANSFER", on_transfer},
    {BLOCK_FUNCTION, "VERSION", on_function_version},
    {BLOCK_FUNCTION, "ENDFUNCTION", on_end_function},
};

// One line: the keyword ends at a blank or "="; the value follows that
// character, without leading "=" characters, up to the next "=".
void read_line(usb_reader &r, std::string line) {
  line.resize(strcspn(line.c_str(), "\r\n"));
  const char *text = line.c_str() + strspn(line.c_str(), " \t\f\v");
  if (!*text || *text == ';' || *text == '#') return;
  text += strspn(text, " =");
  size_t keyword_length = strcspn(text, " =");
  std::string keyword(text, keyword_length);
  const char *rest = text + keyword_length;
  if (*rest) rest++;
  rest += strspn(rest, "=");
  std::string value(rest, strcspn(rest, "="));
  for (const usb_keyword &k : keywords)
    if (k.block == r.block && strcasecmp(k.name, keyword.c_str()) == 0) return k.handle(r, k.name, value.c_str());
  msg(1235, keyword.c_str());
}

// The end of the file ends every open block.
void close_blocks(usb_reader &r) {
  if (r.block == BLOCK_FUNCTION) close_function(r);
  if (r.block >= BLOCK_DEVICE) close_device(r);
}

// ---- Writing the C source ----

const char usb_table_text[] =
    "typedef struct\n{\n\tUSB_CONST unsigned char *\t\t\t\tdevice,\n\t\t\t\t\t\t\t* USB_CONST *\tconfigurations,\n"
    "\t\t\t\t\t\t\t* USB_CONST *\tstrings;\n\tUSB_CONST unsigned short*\t\t\t\tconf_sizes;\n"
    "\tunsigned char\t\t\t\t\t\t\tconf_cnt, string_cnt;\n}\tUSB_descriptor_table;\n";

const char *string_text(const usb_device &d, uint32_t index) { return index ? d.strings[index - 1].c_str() : ""; }

void write_word(FILE *out, uint32_t value) { fprintf(out, "0x%2.2X, 0x%2.2X,", value & 0xFF, value >> 8); }

void write_device_descriptor(FILE *out, const usb_device &d) {
  fprintf(out, "\t%d, 1,\t\t\t// %d byte device descriptor \n", 18, 18);
  fprintf(out, "\t");
  write_word(out, d.version);
  fprintf(out, "\t\t// USB version\n");
  fprintf(out, "\t0x%2.2X,0x%2.2X,0x%2.2X,\t\t// class,subclass,protocol\n", d.cls, d.subclass, d.protocol);
  fprintf(out, "\t%d,\t\t\t// max packet size\n", int(d.packet_size));
  const struct {
    const char *title;
    uint32_t value;
  } ids[] = {{"Vendor ID", d.vid}, {"Product ID", d.pid}, {"Product release", d.release}};
  for (const auto &id : ids) {
    fprintf(out, "\t");
    write_word(out, id.value);
    fprintf(out, "\t\t// %s: 0x%X/%d\n", id.title, id.value, int(id.value));
  }
  fprintf(out, "\t%d,\t\t\t// manufacturer: \"%s\"\n", int(d.manufacturer), string_text(d, d.manufacturer));
  fprintf(out, "\t%d,\t\t\t// product: \"%s\"\n", int(d.product), string_text(d, d.product));
  if (d.serial)
    fprintf(out, "\t%d,\t\t\t// serial: \"%s\"\n", int(d.serial), string_text(d, d.serial));
  else
    fprintf(out, "\t%d,\t\t\t// Custom serial\n", int(d.strings.size() + 1));
  fprintf(out, "\t%d,\t\t\t// number of configurations\n\n", int(d.configs.size()));
}

void write_endpoint(FILE *out, const usb_endpoint &e) {
  static const char *const type_names[] = {" control", " isosynchronous", " bulk", " interrupt"};
  fprintf(out, "\t\t\t// Endpoint %d\n", int(e.number));
  fprintf(out, "\t\t\t\t%d, 5,\t\t// %d byte endpoint descriptor \n", 7, 7);
  fprintf(out, "\t\t\t\t0x%2.2X,\t\t// Endpoint number (%s)\n", e.number | e.direction, e.direction ? "in" : "out");
  fprintf(out, "\t\t\t\t0x%2.2X,\t\t//%s\n", e.type, type_names[e.type & 3]);
  fprintf(out, "\t\t\t\t");
  write_word(out, e.packet_size);
  fprintf(out, "\t// Max packet size %d\n", int(e.packet_size));
  fprintf(out, "\t\t\t\t%d,\t\t// Latency/polling interval\n", int(e.interval));
}

void write_function(FILE *out, const usb_function &f) {
  fprintf(out, "\n\t\t\t// Function descriptor\n");
  fprintf(out, "\t\t\t\t%d, 0x%X,\t// length and type\n\t\t\t", 9, 0x21);
  const uint32_t bytes[] = {f.attributes,     f.timeout & 0xFF, f.timeout >> 8, f.transfer & 0xFF,
                            f.transfer >> 8, f.version & 0xFF, f.version >> 8};
  for (uint32_t b : bytes) fprintf(out, "0x%2.2X, ", b);
  fprintf(out, "\n\n");
}

void write_interface(FILE *out, const usb_device &d, const usb_interface &i) {
  fprintf(out, "\t\t// Interface %d\n", int(i.id));
  fprintf(out, "\t\t\t%d, 4,\t\t// %d byte interface descriptor \n", 9, 9);
  fprintf(out, "\t\t\t%d,\t\t// interface identifier\n", int(i.id));
  fprintf(out, "\t\t\t0,\t\t// alternate identifier\n");
  fprintf(out, "\t\t\t%d,\t\t// number of endpoints\n", int(i.endpoints.size()));
  fprintf(out, "\t\t\t0x%2.2X,0x%2.2X,0x%2.2X,\t// class,subclass,protocol\n", i.cls, i.subclass, i.protocol);
  fprintf(out, "\t\t\t%d,\t\t// interface name: \"%s\"\n", int(i.name), string_text(d, i.name));
  for (const usb_endpoint &e : i.endpoints) write_endpoint(out, e);
  for (const usb_function &f : i.functions) write_function(out, f);
}

void write_config(FILE *out, const usb_device &d, const usb_config &c) {
  fprintf(out, "\t// Configuration %d\n\n", int(c.id));
  fprintf(out, "\t\t%d, 2,\t\t// %d byte configuration descriptor \n", 9, 9);
  fprintf(out, "\t\t");
  write_word(out, c.total);
  fprintf(out, "\t// total size of conf/interface/endpoint descriptors = %d\n", int(c.total));
  fprintf(out, "\t\t%d,\t\t// number of interfaces in this configuration\n", int(c.interfaces.size()));
  fprintf(out, "\t\t%d,\t\t// configuration identifier\n", int(c.id));
  fprintf(out, "\t\t%d,\t\t// configuration name: \"%s\"\n", int(c.name), string_text(d, c.name));
  fprintf(out, "\t\t0x%2.2X,\t\t// attributes: %s%s", c.attributes, c.attributes & 0x20 ? "Wakeup=yes; " : "Wakeup=no; ",
          c.attributes & 0x40 ? "self powered\n" : "bus powered\n");
  fprintf(out, "\t\t0x%2.2X,\t\t// power=%dmA\n\n", c.max_power, int(2 * c.max_power));
  for (const usb_interface &i : c.interfaces) write_interface(out, d, i);
}

// A string descriptor holds the characters as 16-bit codes, low byte first.
void write_string(FILE *out, size_t index, const std::string &text) {
  fprintf(out, "\t// string descriptor %d: \"%s\"\n", int(index), text.c_str());
  fprintf(out, "\t%d, 3, ", int(2 * text.size() + 2));
  for (char c : text) fprintf(out, "%d, 0, ", uint8_t(c));
  fprintf(out, "\n");
}

void write_device(FILE *out, const usb_device &d) {
  const char *n = d.name.c_str();
  fprintf(out, "// USB Device \"%s\"\n\n", n);
  fprintf(out, "static USB_CONST unsigned char %s_data[] = {\n", n);
  write_device_descriptor(out, d);
  uint32_t offset = 18;
  std::vector<uint32_t> config_offsets;
  for (const usb_config &c : d.configs) {
    config_offsets.push_back(offset);
    write_config(out, d, c);
    offset += c.total;
  }
  fprintf(out, "\t// string descriptor 0: language ids\n");
  fprintf(out, "\t4, 3, 9, 4,\n");
  std::vector<long> string_offsets = {long(offset)};  // -1: a custom serial, filled in at run time
  offset += 4;
  for (size_t i = 0; i < d.strings.size(); i++) {
    write_string(out, i + 1, d.strings[i]);
    string_offsets.push_back(long(offset));
    offset += uint32_t(2 * d.strings[i].size() + 2);
  }
  if (!d.serial) string_offsets.push_back(-1);
  fprintf(out, "\n};\n");
  fprintf(out, "// sizeof table above should be %lu\n\n", (unsigned long)offset);
  fprintf(out, "// Access tables for this device\n");

  fprintf(out, "\nstatic USB_CONST unsigned char * USB_CONST\t%s_configurations[] =\n{\n", n);
  for (uint32_t o : config_offsets) fprintf(out, "\t%s_data+%u,\n", n, o);
  fprintf(out, "};\n");
  fprintf(out, "\nstatic USB_CONST unsigned short %s_conf_sizes[] =\n{\n", n);
  for (const usb_config &c : d.configs) fprintf(out, "\t%u,\n", c.total);
  fprintf(out, "};\n");
  fprintf(out, "\nstatic USB_CONST unsigned char * USB_CONST\t%s_strings[] =\n{\n", n);
  for (long o : string_offsets) {
    if (o < 0)
      fprintf(out, "\t0,\n");
    else
      fprintf(out, "\t%s_data+%u,\n", n, unsigned(o));
  }
  fprintf(out, "};\n");
  fprintf(out, "USB_CONST USB_descriptor_table\t%s_table =\n{\n", n);
  fprintf(out, "\t%s_data,\n\t%s_configurations,\n\t%s_strings,\n\t%s_conf_sizes,", n, n, n, n);
  fprintf(out, "\t%u, %u,\n};\n", unsigned(d.configs.size()), unsigned(string_offsets.size()));
}

void write_source(FILE *out, const usb_reader &r) {
  fprintf(out, "#ifndef USB_CONST\n#define\tUSB_CONST\tconst\n#endif\n\n\n");
  fprintf(out, "#include\t<zvqusb.h>\n\n");
  fprintf(out, "/* This structure is defined in zvqusb.h, here for reference only\n\n");
  fputs(usb_table_text, out);
  fprintf(out, "*/\n\n");
  for (const usb_device &d : r.devices) write_device(out, d);
}

}  // namespace

int usb_generate(const char *input_path, const char *output_path) {
  FILE *in = fopen(input_path, "r");
  if (!in) {
    msg(140, "USB", input_path);
    return 0;
  }
  uint32_t errors_before = msg_error_count();
  usb_reader reader;
  int line_no = 0;
  msg_set_context(input_path, &line_no, nullptr, nullptr);
  std::string line;
  while (read_text_line(in, line)) {
    line_no++;
    read_line(reader, line.c_str());
  }
  close_blocks(reader);
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  fclose(in);
  if (msg_error_count() != errors_before) return 0;

  FILE *out = fopen(output_path, "w");
  if (!out) {
    msg(140, "USB output", output_path);
    return 0;
  }
  write_source(out, reader);
  bool failed = ferror(out) != 0;
  if (fclose(out) != 0 || failed) {
    msg(140, "USB output", output_path);
    return 0;
  }
  return 1;
}
