#include "codegen/target/tmpl.h"

#include <cctype>
#include <cstring>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

// Reads digits into `out`; false when there are none or too many.
bool read_number(const char *&p, uint32_t *out) {
  if (!is_digit(*p)) return false;
  uint32_t n = 0;
  while (is_digit(*p)) {
    n = n * 10 + uint32_t(*p - '0');
    if (n > 0xFFFFFF) return false;
    p++;
  }
  *out = n;
  return true;
}

const char *fail(std::string *error, const std::string &what) {
  *error = what;
  return nullptr;
}

bool is_macro_letter(char c) { return c && strchr("ABCDEGHINOPQSTVWXYZ", c); }

// letter [parts] {modifier} selector, from the letter on.
const char *read_macro(const char *p, tmpl_item *item, std::string *error) {
  char letter = *p++;
  item->letter = letter;
  if (letter == 'D' && *p == 'D') {
    item->double_d = true;
    p++;
  }
  if (letter == 'G' || letter == 'X' || letter == 'Y') {
    size_t n = 0;
    while (is_digit(*p)) {
      if (n + 1 >= sizeof item->parts) return fail(error, std::string("too many part digits after ") + letter);
      item->parts[n++] = *p++;
    }
  }
  for (;;) {
    uint32_t n = 0;
    if (*p == '+' || *p == '-') {
      if (item->sign) return fail(error, std::string("two offsets on macro ") + letter);
      item->sign = *p++;
      if (*p == '!') {
        item->sign_bang = true;
        p++;
      } else if (read_number(p, &n)) {
        item->has_offset = true;
        item->offset = item->sign == '-' ? -int32_t(n) : int32_t(n);
      }
    } else if (*p == '<' || *p == '>') {
      item->run = *p;
      while (*p == item->run) {
        item->run_length++;
        p++;
      }
    } else if (*p == '!') {
      item->bang = true;
      p++;
    } else if (*p == '=') {
      p++;
      bool negative = *p == '-';
      if (negative) p++;
      if (!read_number(p, &n)) return fail(error, std::string("\"=\" without a number on macro ") + letter);
      item->equals = true;
      item->number = negative ? -int32_t(n) : int32_t(n);
    } else if (is_digit(*p)) {
      read_number(p, &n);
      item->has_number = true;
      item->number = int32_t(n);
    } else if (*p == '/') {
      p++;
      if (!read_number(p, &n) || n == 0)
        return fail(error, std::string("\"/\" without a divisor on macro ") + letter);
      item->divisor = n;
    } else {
      break;
    }
  }
  switch (*p) {
    case 'N':
    case 'L':
    case 'R':
    case 'U':
      item->selector = *p++;
      return p;
    case 'J': {
      item->selector = *p++;
      size_t n = 0;
      while (*p == '0' || *p == '1') {
        if (n + 1 >= sizeof item->path) return fail(error, "path after J too long");
        item->path[n++] = *p++;
      }
      if (n == 0) return fail(error, "J without a path");
      return p;
    }
  }
  return fail(error, std::string("macro ") + letter + " lacks an operand selector (N, L, R, U or J)");
}

const char *read_code_item(const char *p, tmpl_item *item, std::string *error) {
  switch (*p) {
    case '\n': item->kind = TK_NEWLINE; return p + 1;
    case '\r': item->kind = TK_RETURN; return p + 1;
    case ' ': item->kind = TK_BLANK; return p + 1;
    case '`': item->kind = TK_SEMICOLON; return p + 1;
    case ';':
      if (p[1] == ';') {
        item->kind = TK_SEMI_STOP;
        return p + 2;
      }
      item->kind = TK_STOP;
      return p + 1;
    case '~': {
      const char *q = p + 1;
      if (*q == '~') {
        item->kind = TK_TILDE;
        return q + 1;
      }
      if (is_digit(*q)) {
        uint32_t index = 0, divisor = 0;
        read_number(q, &index);
        if (*q != '/') {
          if (index != 9) return fail(error, "byte selection without \"/\"");
          item->kind = TK_DROP_SELECT;
          return q;
        }
        q++;
        if (!read_number(q, &divisor) || divisor == 0) return fail(error, "byte selection without a divisor");
        if (index >= divisor) return fail(error, "byte selection past its divisor");
        item->kind = TK_BYTE_SELECT;
        item->byte_index = index;
        item->byte_divisor = divisor;
        return q;
      }
      item->kind = TK_MACRO;
      item->tilde = true;
      if (*q == 'L' || *q == 'R' || *q == 'N' || *q == 'U') {
        item->letter = *q;
        item->selector = *q;
        return q + 1;
      }
      if (*q == 'G' || *q == 'X' || *q == 'Y') return read_macro(q, item, error);
      return fail(error, "\"~\" before neither a selection nor L, R, N, U, G, X or Y");
    }
  }
  if (*p == 'L' || *p == 'R') {
    item->kind = TK_MACRO;
    item->letter = *p;
    item->selector = *p;
    return p + 1;
  }
  if (is_upper(*p)) {
    if (!is_macro_letter(*p)) return fail(error, std::string("no macro ") + *p);
    item->kind = TK_MACRO;
    return read_macro(p, item, error);
  }
  item->kind = TK_PLAIN;
  const char *q = p;
  while (*q && !strchr("\n\r `;~", *q) && !is_upper(*q)) q++;
  return q;
}

const char *read_subst_item(const char *p, tmpl_item *item) {
  if (*p && strchr("TCANOQWZ", *p)) {
    const char *q = p + 1;
    char digit = is_digit(*q) ? *q++ : 0;
    if (*q == 'N' || *q == 'L' || *q == 'R') {
      item->kind = TK_MACRO;
      item->letter = *p;
      if (digit) {
        item->has_number = true;
        item->number = digit - '0';
      }
      item->selector = *q;
      return q + 1;
    }
  }
  item->kind = TK_PLAIN;
  return p + 1;
}

}  // namespace

const char *tmpl_next(const char *text, tmpl_grammar grammar, tmpl_item *item, std::string *error) {
  *item = tmpl_item();
  item->start = text;
  const char *next;
  if (grammar == TMPL_SUBST)
    next = read_subst_item(text, item);
  else
    next = read_code_item(text, item, error);
  if (next) item->length = uint32_t(next - text);
  return next;
}

bool tmpl_is_error_text(const char *text) { return strncmp(text, "#error", 6) == 0; }

bool tmpl_check(const char *text, tmpl_grammar grammar, std::string *error, uint32_t *offset) {
  if (grammar == TMPL_CODE && tmpl_is_error_text(text)) return true;
  tmpl_item item;
  for (const char *p = text; *p;) {
    const char *next = tmpl_next(p, grammar, &item, error);
    if (!next) {
      *offset = uint32_t(p - text);
      return false;
    }
    p = next;
  }
  return true;
}

bool tmpl_names_register(const char *text) {
  tmpl_item item;
  std::string error;
  for (const char *p = text; *p;) {
    const char *next = tmpl_next(p, TMPL_CODE, &item, &error);
    if (!next) return false;
    if (item.kind == TK_MACRO && strchr("GSXY", item.letter)) return true;
    p = next;
  }
  return false;
}
