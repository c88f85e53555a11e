// The call graph of the compiled program, from FNINFO, FNCONF and FNGROUP
// records: the overlaid argument and auto blocks of the call-graph psect,
// recursion and call-depth checks, and the map's call-graph section.
#pragma once
#include <cstdint>

void call_reset();
// Pass-1 handlers.
void call_record_fninfo();
void call_record_fnconf();
void call_record_fngroup();
// Lays out the blocks at the start of placement; true when the call-graph
// psect's contribution changed.
bool call_layout();
// After the third pass: the call-graph psect's size holds its blocks again.
void call_add_sizes();
// -R: the collected facts as FNCONF and FNINFO records.
void call_write_relocatable();
