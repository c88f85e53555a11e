// One build, from the sorted input files to the exit status: the front end of
// each source, the whole-program back end, the link and the outputs, with
// the stage times of --time.
#pragma once
#include <string>

// Sorts one input file into the build's lists by its extension (message 894
// for an unknown kind); every call counts one input file.
void classify_input(const char *name);
// Sorts the command line's files (message 939 when there are none).
void classify_inputs();
// Without -O the output follows the first input file (message 836 when none can).
void name_output();
// The build itself, after the options and their checks.
void driver_build();

// Front end of one C or ".usb" source; false when a pass failed.
bool compile_source(const char *name);

// Closes the running stage and opens the named one (null only closes).
void stage_begin(const char *name);
double elapsed_ms();
void print_stage_times();

// The temporary file names of a build.
void make_temporaries();
// Deletes (unless --nodel) the temporaries and every generated file.
void delete_build_files();
