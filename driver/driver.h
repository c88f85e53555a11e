// The phases of a tovra18 run that precede the build: start-up, reading the
// options, and the checks and memory set-up that follow them.
#pragma once

// Rewrites legacy option forms in place; true when any was rewritten.
bool rewrite_legacy_options(int argc, char **argv);
// Legacy rewriting, the kept command line, option defaults, message output.
void driver_start(int argc, char **argv);
// Reads and applies every option; ends the run after a terminal option.
void driver_read_options(int argc, char **argv);
// Checks the option combination and builds the chip's memory classes.
void driver_check_options();
