#include "cmdline/gcm_expand.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmdline/gcmdec.h"

gcm_words gcm_expanded;

namespace {

// A response-file word starts with this many bytes and grows by as many.
constexpr std::size_t WORD_CHUNK = 1025;

// The option word that names a response file, compared without case.
const char OPTION_FILE_WORD[] = "option";

bool is_name_character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool append(gcm_words* words, char* word) {
    if (words->count + 1 >= words->capacity) {
        if (words->capacity > INT_MAX / 4) return false;
        int capacity = words->capacity ? words->capacity * 2 : 16;
        void* grown = std::realloc(words->words, sizeof(char*) * static_cast<std::size_t>(capacity));
        if (!grown) return false;
        words->words = static_cast<char**>(grown);
        words->capacity = capacity;
    }
    words->words[words->count++] = word;
    words->words[words->count] = nullptr;
    return true;
}

// A word rebuilt with the values of its references. It grows by doubling, so
// that a word with many references is built in time linear in its length.
struct text_builder {
    char* text = nullptr;
    std::size_t length = 0;
    std::size_t size = 0;
};

bool builder_add(text_builder& builder, const char* bytes, std::size_t count) {
    if (count > SIZE_MAX - 1 - builder.length) return false;
    std::size_t needed = builder.length + count + 1;
    if (needed > builder.size) {
        std::size_t size = builder.size ? builder.size : 64;
        while (size < needed) size = size > SIZE_MAX / 2 ? needed : size * 2;
        void* grown = std::realloc(builder.text, size);
        if (!grown) return false;
        builder.text = static_cast<char*>(grown);
        builder.size = size;
    }
    std::memcpy(builder.text + builder.length, bytes, count);
    builder.length += count;
    builder.text[builder.length] = '\0';
    return true;
}

// "<prefix>option<separator>" in any case of its six letters: the text after
// it, or null.
const char* option_file_name(const char* word) {
    if (word[0] != gcm_program->option_prefix) return nullptr;
    std::size_t length = sizeof OPTION_FILE_WORD - 1;
    for (std::size_t i = 0; i < length; ++i) {
        char c = word[1 + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != OPTION_FILE_WORD[i]) return nullptr;
    }
    if (word[1 + length] != gcm_program->value_separator) return nullptr;
    return word + 2 + length;
}

// The word being read from a response file.
struct word_buffer {
    char* text = nullptr;
    std::size_t length = 0;
    std::size_t size = 0;
};

bool buffer_put(word_buffer& buffer, char c) {
    if (buffer.length + 2 > buffer.size) {
        if (buffer.size > SIZE_MAX - WORD_CHUNK) return false;
        void* grown = std::realloc(buffer.text, buffer.size + WORD_CHUNK);
        if (!grown) return false;
        buffer.text = static_cast<char*>(grown);
        buffer.size += WORD_CHUNK;
    }
    buffer.text[buffer.length++] = c;
    buffer.text[buffer.length] = '\0';
    return true;
}

// Hands a non-empty word over to the vector and starts a new buffer.
int buffer_flush(word_buffer& buffer, gcm_words* words) {
    if (buffer.length == 0) return 0;
    // Words live until the end: keep only what they use of their buffer.
    if (void* fitted = std::realloc(buffer.text, buffer.length + 1))
        buffer.text = static_cast<char*>(fitted);
    int status = gcm_add_word(buffer.text, words);
    // The vector keeps the text itself unless a reference rebuilt it.
    if (status != 0 || words->words[words->count - 1] != buffer.text) std::free(buffer.text);
    buffer = word_buffer();
    return status;
}

int read_words(std::FILE* file, gcm_words* words) {
    word_buffer buffer;
    bool line_start = true;
    bool comment = false;
    bool quoted = false;
    int c;
    while ((c = std::getc(file)) != EOF) {
        if (c == '\n') {
            line_start = true;
            comment = false;
        } else if (c == '#' && line_start) {
            comment = true;
        } else if (c != ' ' && c != '\t') {
            line_start = false;
        }
        if (comment) continue;
        if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (buffer_flush(buffer, words) != 0) return -1;
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == '\\') {
            int taken = std::getc(file);
            if (taken == '\r') {
                // A line break written as CR LF is joined as a whole.
                int next = std::getc(file);
                if (next != '\n' && next != EOF) std::ungetc(next, file);
                continue;
            }
            if (taken == EOF || taken == '\n') continue;
            if (!buffer_put(buffer, '\\')) break;
            c = taken;
        }
        if (!buffer_put(buffer, static_cast<char>(c))) break;
    }
    if (c != EOF) {
        std::free(buffer.text);
        gcm_no_memory();
        return -1;
    }
    return buffer_flush(buffer, words);
}

}  // namespace

int gcm_add_word(const char* text, gcm_words* words) {
    text_builder built;
    // The rebuilt word is the text up to each replaced reference, its value,
    // and so on; scanning goes on in the given text, after the name, which is
    // where the rebuilt text goes on after the inserted value.
    const char* copied_to = text;
    const char* dollar;
    for (const char* scan = text; (dollar = std::strchr(scan, '$')); ) {
        const char* end = dollar + 1;
        while (is_name_character(*end)) ++end;
        const char* value = nullptr;
        if (end > dollar + 1) {
            std::size_t name_length = static_cast<std::size_t>(end - dollar - 1);
            char* name = static_cast<char*>(std::malloc(name_length + 1));
            if (!name) {
                std::free(built.text);
                gcm_no_memory();
                return -1;
            }
            std::memcpy(name, dollar + 1, name_length);
            name[name_length] = '\0';
            value = std::getenv(name);
            std::free(name);
        }
        if (value) {
            if (!builder_add(built, copied_to, static_cast<std::size_t>(dollar - copied_to)) ||
                !builder_add(built, value, std::strlen(value))) {
                std::free(built.text);
                gcm_no_memory();
                return -1;
            }
            copied_to = end;
        }
        scan = end;
    }
    if (built.text && !builder_add(built, copied_to, std::strlen(copied_to))) {
        std::free(built.text);
        gcm_no_memory();
        return -1;
    }
    if (!append(words, built.text ? built.text : const_cast<char*>(text))) {
        std::free(built.text);
        gcm_no_memory();
        return -1;
    }
    return 0;
}

int gcm_read_file(const char* name, gcm_words* words) {
    std::FILE* file = std::fopen(name, "r");
    if (!file) {
        gcm_error(GCM_FILE_NOT_FOUND, name);
        return -1;
    }
    int status = read_words(file, words);
    // A file that opens but cannot be read (a directory, an I/O error) is
    // rejected like a missing one rather than taken as empty.
    if (status == 0 && std::ferror(file)) {
        gcm_error(GCM_FILE_NOT_FOUND, name);
        status = -1;
    }
    std::fclose(file);
    return status;
}

int gcm_expand(int* argc, char*** argv) {
    std::free(gcm_expanded.words);
    gcm_expanded = gcm_words();
    for (int i = 0; i < *argc; ++i) {
        char* word = (*argv)[i];
        if (!word) continue;
        const char* file_name = nullptr;
        if (i > 0 && word[0] == '@')
            file_name = word + 1;
        else if (i > 0)
            file_name = option_file_name(word);
        int status = file_name ? gcm_read_file(file_name, &gcm_expanded)
                               : gcm_add_word(word, &gcm_expanded);
        if (status != 0) return -1;
    }
    if (!gcm_expanded.words) {
        gcm_expanded.words = static_cast<char**>(std::calloc(1, sizeof(char*)));
        if (!gcm_expanded.words) {
            gcm_no_memory();
            return -1;
        }
    }
    *argc = gcm_expanded.count;
    *argv = gcm_expanded.words;
    return 0;
}
