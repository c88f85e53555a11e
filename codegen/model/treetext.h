// Trees and types as text, for tests and the trace of statements no rule
// covers: prefix notation close to the intermediate code's, and type strings.
#pragma once
#include <string>

struct ctype;
struct tree_node;

// The type in the intermediate code's type-string syntax ("*Dc", "S3", "ui").
std::string type_string(ctype *t);
// Operators by their tokens, identifiers by their names, constants as
// value`type, conversions with their target type string, REG nodes as %n.
std::string tree_text(const tree_node *t);
// The same with the type of every operator node and identifier after a colon.
std::string tree_typed_text(const tree_node *t);
