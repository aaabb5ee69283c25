// Sets up the messages the way kyvld does before its first phase, so that a
// target prints the same texts as the program.
#pragma once
#include <cstdlib>

#include "messages/messages.h"

inline void start_like_kyvld() {
    static char program[] = "kyvld";
    static char* argv[] = {program, nullptr};
    // The catalogues are optional; only a missing variable would end the run.
    setenv("ORVANTADIR", "/nonexistent-kyvld-install", 0);
    set_names("Orvanta", "kyvld", "kyvld");
    init_messages(1, argv, 3, "common_", "cab_", "orvantaident_");
}
