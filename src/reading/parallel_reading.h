// Reading the xob files of a run: scanned ahead on other threads, parsed and
// bound on this one in command-line order.
#pragma once
#include <vector>

// Reads the files into the model in order. With one thread each file is
// parsed into the model as it is scanned; with more, `threads - 1` workers
// parse files ahead into records (xob_record.h) and this thread replays
// them into the model. The outputs are the same either way, including where
// a missing file ends the run. A run whose parser prints its trace (YYDEBUG)
// reads on one thread.
void read_xob_files(const std::vector<const char*>& paths, unsigned threads);

// KYV_THREADS when it is a whole number from 1 on (at most 256), else the
// number of cores.
unsigned reading_threads();
