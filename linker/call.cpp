#include "linker/call.h"

void call_reset() {}
void call_record_fninfo() {}
void call_record_fnconf() {}
void call_record_fngroup() {}
bool call_layout() { return false; }
void call_write_relocatable() {}
