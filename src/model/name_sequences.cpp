#include "model/name_sequences.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "model/arena.h"
#include "model/name_table.h"

namespace name_sequence_detail {
mode current = mode::pass;
}

namespace {

using name_sequence_detail::mode;

// A file's names in the order of a read: recorded on its second read (the
// first says nothing about whether it comes again), used from the third on,
// and recorded again on the read after one that left the order.
struct file_reads {
    std::uint32_t count = 0;  // reads so far, counted up to 2
    bool stale = false;
    std::vector<std::uint32_t> names;  // arena numbers
};

struct open_file {
    file_reads* reads;  // null for a file without a path
    std::size_t at;     // the next name predicted
    mode how;
};

std::unordered_map<const name*, file_reads> reads_by_file;
std::vector<open_file> open_files;

// How far ahead the names to come are fetched: far enough to wait for
// memory behind the work of a few elements, near enough to be still there.
constexpr std::size_t FETCH_AHEAD = 16;

bool is_open(const file_reads* reads) {
    for (const open_file& file : open_files)
        if (file.reads == reads) return true;
    return false;
}

void enter(open_file file) {
    open_files.push_back(file);
    name_sequence_detail::current = file.how;
}

}  // namespace

void name_sequence_enter(const name* file) {
    if (!file) return enter({nullptr, 0, mode::pass});
    file_reads& reads = reads_by_file[file];
    // A file that includes itself reads the order it is recording.
    if (is_open(&reads)) return enter({nullptr, 0, mode::pass});
    if (reads.count < 2) ++reads.count;
    mode how = mode::pass;
    if (reads.count == 2 && (reads.names.empty() || reads.stale)) {
        reads.names.clear();
        reads.stale = false;
        how = mode::record;
    } else if (reads.count == 2) {
        how = mode::predict;
        for (std::size_t i = 0; i < FETCH_AHEAD && i < reads.names.size(); ++i)
            __builtin_prefetch(arena_record(reads.names[i]));
    }
    enter({&reads, 0, how});
}

void name_sequence_leave() {
    if (open_files.empty()) return;
    open_file& file = open_files.back();
    // A read that ended early has left the order too: it stops in a
    // different place from the recorded one.
    if (file.how == mode::predict && file.at != file.reads->names.size()) file.reads->stale = true;
    open_files.pop_back();
    name_sequence_detail::current = open_files.empty() ? mode::pass : open_files.back().how;
}

void name_sequence_reset() {
    // Files left open by a broken xob file: an order cut short is no order.
    for (const open_file& file : open_files)
        if (file.reads && file.how != mode::pass) file.reads->stale = true;
    open_files.clear();
    name_sequence_detail::current = mode::pass;
}

name* name_sequence_detail::predict(const char* bytes, std::size_t length, std::uint32_t hash) {
    open_file& file = open_files.back();
    const std::vector<std::uint32_t>& names = file.reads->names;
    if (file.at < names.size()) {
        auto* expected = static_cast<name*>(arena_record(names[file.at]));
        if (expected->hash == hash && std::strncmp(expected->text, bytes, length) == 0 &&
            expected->text[length] == '\0') {
            ++file.at;
            if (file.at + FETCH_AHEAD <= names.size())
                __builtin_prefetch(arena_record(names[file.at + FETCH_AHEAD - 1]));
            return expected;
        }
    }
    file.reads->stale = true;
    file.how = mode::pass;
    current = mode::pass;
    return nullptr;
}

void name_sequence_detail::record(const name* interned) {
    open_files.back().reads->names.push_back(arena_number(interned));
}
