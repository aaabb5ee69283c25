// Reading the xob files of a run: scanned ahead on other threads, parsed and
// bound on this one in command-line order.
#pragma once
#include <vector>

// Reads the files into the model in order. With one thread each file is
// scanned as the parser asks; with more, `threads - 1` workers scan files
// ahead onto tapes (token_tape.h) and this thread parses them. The outputs
// are the same either way, including where a missing file ends the run.
void read_xob_files(const std::vector<const char*>& paths, unsigned threads);

// KYV_THREADS when it is a whole number from 1 on (at most 256), else the
// number of cores.
unsigned reading_threads();
