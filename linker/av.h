// The address-space map file: which address space each psect or class of
// the current machine lies in.
#pragma once

void avmap_reset();
void avmap_read(const char *machine, const char *path);
// The space name of a psect or class name ("" for the default pair).
const char *avmap_space(const char *name);
