// Numbered messages: kinds, levels and texts come from the message
// description file; every program reports its diagnostics through here.
#pragma once
#include <cstdarg>
#include <cstdint>

// Kinds of a message description.
enum msg_kind {
  MSG_KIND_NONE = 0,     // line whose kind token was not understood
  MSG_KIND_FATAL = 1,
  MSG_KIND_MESSAGE = 2,
  MSG_KIND_ERROR = 3,
  MSG_KIND_WARNING = 4,
  MSG_KIND_SUPPRESSED = 5,
};

// Disable-table states and stack operations of msg_disable_op.
enum msg_disable_state {
  MSG_DISABLE_NONE = 0,
  MSG_DISABLE_HIDE = 1,          // hide warnings and plain messages
  MSG_DISABLE_TO_WARNING = 2,    // an error becomes a warning
  MSG_DISABLE_TO_ERROR = 3,      // a warning becomes an error
  MSG_DISABLE_OFF = 4,           // hide everything but fatal messages
  MSG_DISABLE_PUSH = 5,
  MSG_DISABLE_POP = 6,
  MSG_DISABLE_ALL_WARNINGS = 7,
  MSG_DISABLE_CLEAR = 8,
};

typedef void (*msg_exit_fn)(int status);
typedef void (*msg_output_fn)(const char *line);
typedef void (*msg_pre_fn)();
typedef void (*msg_echo_fn)(const char *line_text, const char *file_name);
typedef void (*msg_echo_wide_fn)(const uint16_t *line_text, const uint16_t *file_name);

// Reporting.
int msg(unsigned number, ...);
int msg_vmsg(unsigned number, va_list args);
int msg_once(unsigned number, ...);
int msg_report(unsigned number, const char *kind, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
int msg_report_hooked(const char *kind, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
int msg_print(const char *format, ...) __attribute__((format(printf, 1, 2)));
int msg_vprint(const char *format, va_list args);
int msg_continue(int end, const char *format, ...) __attribute__((format(printf, 2, 3)));
bool msg_failed();
uint32_t msg_error_count();
uint32_t msg_warning_count();

// Set-up.
int msg_load_file(const char *name);
int msg_open_language(uint32_t language_id);
const char *msg_file_name();
uint32_t msg_set_error_limit(uint32_t limit);
int msg_set_warn_level(int level);
void msg_set_warn_as_error(int flag);
void msg_set_format_mode(int flag);
void msg_set_formats(const char *error, const char *warning, const char *message);
void msg_set_context(const char *file, const int *line, const char *const *line_start,
                     const char *const *position);
void msg_set_context_wide(const uint16_t *file, const int *line, const uint16_t *const *line_start,
                          const uint16_t *const *position);
void msg_set_output_hook(msg_output_fn fn);
void msg_set_pre_hook(msg_pre_fn fn);
void msg_set_echo_hook(msg_echo_fn fn);
void msg_set_echo_hook_wide(msg_echo_wide_fn fn);
void msg_disable_op(unsigned number, int operation);
void msg_disable_list(const char *list);

// Each program names itself (the word shown for "%a" and in the banner) and
// hands over its exit routine prog_exit, called with status 1 after a fatal
// message, past the error limit, or when no message file can be opened.
void msg_set_component(const char *word);
const char *msg_component();
void msg_set_exit_hook(msg_exit_fn prog_exit);
// Calls the program's exit routine; exits with the status itself should it return.
[[noreturn]] void msg_exit_failure(int status);

// Applies the message options every program shares ("--edf=", "--emax=",
// "--msgdisable=", "--disl="); 1 when the word was one of them.
int msg_common_option(const char *word);
