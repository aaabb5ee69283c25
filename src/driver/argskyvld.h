// kyvld's command line: its option set for the decoder, and the decoding of
// the program's arguments into the run settings.
#pragma once
#include "cmdline/gcmdec.h"
#include "driver/run_settings.h"

// The decoder's description of kyvld's command line.
extern gcm_settings kyvld_command_line;

// Expands and decodes the command line into settings and silent_level. False
// when it is rejected; the decoder has then printed the reason.
bool decode_options(int argc, char** argv, run_settings* settings);

// Fills the combination list: -KYV and -XREF are never given together.
void set_combinations();
