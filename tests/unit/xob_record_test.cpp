#include "reading/xob_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "model/binding_lists.h"
#include "model/name_table.h"
#include "model/xob_node.h"
#include "reading/parallel_reading.h"

namespace {

// Value numbers of a parse as the parser's stack would hold them: a source
// file started (its attributes stay for its end), two definitions inside it
// appended to its block list, then its end, which ends everything after its
// first attribute.
TEST(ValueNumbering, FollowsTheParserStack) {
    struct step {
        record_op op;
        std::vector<std::int32_t> arguments;
        std::uint32_t expected;
    } steps[] = {
        {OP_STRING, {}, 1},                                  // file name
        {OP_STRING, {}, 2},                                  // full path
        {OP_SOURCE_START, {1, 2, 0, 0, 0, 0, 0}, 3},         // keeps 1 and 2
        {OP_STRING, {}, 4},                                  // a name
        {OP_NUMBER, {7}, 5},                                 // its level
        {OP_NUMBER, {3}, 6},                                 // position's line
        {OP_POSITION_BY_NUMBER, {0, 6, 0}, 6},               // ends 6, takes its number
        {OP_DEFINE, {4, 5, 0, 0, 0, 0, 6}, 4},               // ends 4 to 6
        {OP_APPEND_BLOCK, {0, 4}, 4},                        // the list is the first block
        {OP_STRING, {}, 5},                                  // the next name
        {OP_POSITION_BY_NUMBER, {0, 0, 0}, 6},               // nothing to end: a new number
        {OP_DEFINE, {5, 0, 0, 0, 0, 0, 6}, 5},
        {OP_APPEND_BLOCK, {4, 5}, 4},
        {OP_SOURCE_END, {1, 2, 0, 0, 0, 0, 0, 3, 4}, 1},     // ends the whole source file
        {OP_STRING, {}, 2},
    };
    value_numbering numbering;
    for (const step& each : steps) {
        SCOPED_TRACE(each.op);
        EXPECT_EQ(numbering.number_made(each.op, each.arguments.data()), each.expected);
    }
}

std::FILE* file_holding(const std::string& input) {
    std::FILE* file = std::tmpfile();
    if (file) {
        std::fwrite(input.data(), 1, input.size(), file);
        std::rewind(file);
    }
    return file;
}

std::string many_definitions(int count) {
    std::string text = "<?xml version=\"1.0\"?>\n<xobj filename=\"r.xob\">\n";
    for (int i = 0; i < count; ++i)
        text += "<define name=\"d" + std::to_string(i) + "\" level=\"0\" storageclass=\"\">\n"
                "<position filenum=\"1\" line=\"" + std::to_string(i) + "\" row=\"1\"/>\n</define>\n";
    return text + "</xobj>\n";
}

// The entries' operations, in order, of a record held in chunks.
std::vector<record_op> operations(const std::deque<record_chunk>& chunks) {
    std::vector<record_op> ops;
    for (const record_chunk& chunk : chunks) {
        const char* at = chunk.bytes.get();
        const char* end = at + chunk.size;
        while (at < end) {
            record_entry entry = read_entry(at);
            ops.push_back(entry.op);
            at = entry.next;
        }
        EXPECT_EQ(at, end) << "an entry runs past its chunk";
    }
    return ops;
}

TEST(XobRecord, EntriesStayWholeInSmallChunksAndEndTheRecord) {
    std::FILE* file = file_holding(many_definitions(50));
    ASSERT_NE(file, nullptr);
    std::deque<record_chunk> chunks;
    chunk_writer writer(128, [&](record_chunk& chunk) {
        chunks.push_back(std::move(chunk));
        return true;
    });
    record_xob_file(file, "r.xob", writer);
    std::fclose(file);
    std::vector<record_op> ops = operations(chunks);
    EXPECT_GT(chunks.size(), 10u);
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front(), OP_STRING);  // the xob file's name
    EXPECT_EQ(ops.back(), OP_END);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), OP_DEFINE), 50);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), OP_XOB_END), 1);
}

TEST(XobRecord, ParseStopsWhenTheReaderWantsNoMore) {
    std::FILE* file = file_holding(many_definitions(5000));
    ASSERT_NE(file, nullptr);
    int delivered = 0;
    chunk_writer writer(256, [&](record_chunk&) { return ++delivered < 3; });
    record_xob_file(file, "r.xob", writer);
    std::fclose(file);
    EXPECT_EQ(delivered, 3);
}

class chunk_queue : public chunk_source {
public:
    bool next_chunk(const char*& begin, const char*& end) override {
        if (chunks.empty()) return false;
        current = std::move(chunks.front());
        chunks.pop_front();
        begin = current.bytes.get();
        end = begin + current.size;
        return true;
    }
    std::deque<record_chunk> chunks;
    record_chunk current;
};

void put(chunk_writer& writer, record_op op, const char* text) {
    std::size_t size = entry_size(op, true, std::strlen(text));
    write_entry(writer.reserve(size), op, nullptr, text, std::strlen(text));
    writer.commit(size);
}

TEST(XobRecord, ScannerFailureEndsTheRunWhereTheReplayMeetsIt) {
    chunk_queue queue;
    chunk_writer writer(1 << 16, [&](record_chunk& chunk) {
        queue.chunks.push_back(std::move(chunk));
        return true;
    });
    put(writer, OP_PRINT, "printed before\n");
    put(writer, OP_SCANNER_FAILED, "input in flex scanner failed");
    put(writer, OP_PRINT, "never printed\n");
    writer.finish();
    std::string message;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(replay_xob_record(queue, message));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "printed before\n");
    EXPECT_EQ(message, "input in flex scanner failed");
    EXPECT_EXIT(end_on_scanner_failure(message), testing::ExitedWithCode(2), "^input in flex scanner failed\n$");
}

// Fetching ahead changes nothing the replay does: with it on from the first
// byte of the model, a record cut into chunks of a few entries each (the
// look-ahead stops at the end of each) binds every definition it holds.
TEST(XobRecord, ReplayFetchingAheadBindsEveryDefinition) {
    std::string text = "<?xml version=\"1.0\"?>\n<xobj filename=\"ahead.xob\">\n";
    for (int i = 0; i < 300; ++i)
        text += "<define name=\"ahead" + std::to_string(i) + "\" level=\"0\" storageclass=\"\">\n"
                "<position filenum=\"1\" line=\"" + std::to_string(i + 1) + "\" row=\"1\"/>\n</define>\n";
    text += "</xobj>\n";
    std::FILE* file = file_holding(text);
    ASSERT_NE(file, nullptr);
    chunk_queue queue;
    chunk_writer writer(128, [&](record_chunk& chunk) {
        queue.chunks.push_back(std::move(chunk));
        return true;
    });
    record_xob_file(file, "ahead.xob", writer);
    std::fclose(file);
    ASSERT_GT(queue.chunks.size(), 50u);
    set_replay_fetch_ahead_from(0);
    std::string message;
    EXPECT_TRUE(replay_xob_record(queue, message));
    set_replay_fetch_ahead_from(64 << 20);
    for (int i = 0; i < 300; ++i) {
        binding_cell* bound = newest_of_kind(name_intern(("ahead" + std::to_string(i)).c_str()), a_definition);
        ASSERT_NE(bound, nullptr) << "ahead" << i;
        EXPECT_EQ(bound->node->position->line, i + 1);
    }
}

}  // namespace

namespace {

TEST(ReadingThreads, KyvThreadsOrOneThreadPerCore) {
    unsigned cores = std::thread::hardware_concurrency();
    unsigned by_default = cores < 1 ? 1 : (cores > 256 ? 256 : cores);
    struct setting {
        const char* value;  // null: unset
        unsigned threads;
    } settings[] = {
        {nullptr, by_default}, {"", by_default},    {"1", 1},           {"3", 3},
        {"256", 256},          {"300", 256},         {"99999999999999999999", 256},
        {"0", by_default},     {"2x", by_default},   {"-2", by_default}, {" 2", by_default},
    };
    for (const setting& each : settings) {
        SCOPED_TRACE(each.value ? each.value : "(unset)");
        if (each.value)
            setenv("KYV_THREADS", each.value, 1);
        else
            unsetenv("KYV_THREADS");
        EXPECT_EQ(reading_threads(), each.threads);
    }
    unsetenv("KYV_THREADS");
}

}  // namespace
