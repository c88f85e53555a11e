// ".usb" device descriptions: a small keyword language describing USB
// devices, turned into a C source that holds each device's descriptor bytes
// and the access tables the run-time USB stack reads (declared in zvqusb.h).
#pragma once

// Reads the description and writes the C source. 1 when it was written; 0
// when a file could not be opened or written (message 140) or the
// description had errors (reported at their lines), and then nothing is
// written.
int usb_generate(const char *input_path, const char *output_path);
