// Argument expansion before decoding: response files ("@file", and the
// option word "option" with the value separator, in any case) are replaced by
// their words, and environment references ($NAME) inside words by the values.
#pragma once

// A word vector under construction; words live until the process ends.
struct gcm_words {
    int count = 0;
    char** words = nullptr;  // count words and a terminating null
    int capacity = 0;
};

// The vector of the last expansion (complete or, after a failure, as far as
// it got); a new expansion releases the previous array, not its words.
extern gcm_words gcm_expanded;

// Replaces argc/argv by the expanded vector (word 0 first). 0 on success; -1
// after a message (file not found, no memory left).
int gcm_expand(int* argc, char*** argv);

// Applies environment references to text and appends the result. 0, or -1
// when memory runs out.
int gcm_add_word(const char* text, gcm_words* words);

// Appends the words of the response file name. 0, or -1 when it cannot be
// read or memory runs out.
int gcm_read_file(const char* name, gcm_words* words);
