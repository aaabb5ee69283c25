#include "report/output_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// In the working folder (the build tree), on the disk a report goes to.
std::string file_here(const char* name) { return std::string(name) + "." + std::to_string(getpid()); }

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether this folder's file system takes direct writes, asked without the code under test.
bool takes_direct_writes() {
    std::string path = file_here("probe");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT, 0666);
    bool takes = false;
    if (fd >= 0) {
        void* block = std::aligned_alloc(4096, 4096);
        takes = ::write(fd, block, 4096) == 4096;
        std::free(block);
        ::close(fd);
    }
    std::remove(path.c_str());
    return takes;
}

// Text of `size` bytes that differs at every place, so that a block written
// twice, lost or misplaced shows.
std::string numbered_text(std::size_t size) {
    std::string text;
    for (std::size_t line = 0; text.size() < size; ++line) text += "<line n=\"" + std::to_string(line) + "\"/>\n";
    text.resize(size);
    return text;
}

// Writes `text` in pieces of random sizes, one of them larger than the
// buffer a direct write gathers; returns whether every write succeeded, as
// the report's writer asks (a failed write sets the error flag at once,
// the close may not fail again).
bool write_in_pieces(std::FILE* out, const std::string& text, unsigned seed) {
    std::mt19937 random(seed);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t piece = random() % 9000 + 1;
        if (random() % 50 == 0) piece = std::size_t{5} << 20;
        piece = std::min(piece, text.size() - at);
        std::fwrite(text.data() + at, 1, piece, out);
        at += piece;
    }
    bool failed = std::ferror(out) != 0;
    return std::fclose(out) == 0 && !failed;
}

// Ends the process: status 0 when writing `text` to a file limited to
// `limit` bytes failed, as it should.
[[noreturn]] void write_limited(const std::string& path, const std::string& text, std::size_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit size_limit{};
    size_limit.rlim_cur = size_limit.rlim_max = limit;
    setrlimit(RLIMIT_FSIZE, &size_limit);
    set_output_cached_bytes(1000);
    std::FILE* limited = open_output_file(path.c_str());
    std::exit(limited && !write_in_pieces(limited, text, 2) ? 0 : 1);
}

class OutputFile : public ::testing::Test {
protected:
    void TearDown() override {
        set_output_cached_bytes(saved);
        std::remove(path.c_str());
    }
    std::size_t saved = output_cached_bytes();
    std::string path = file_here("output_file_test.out");
};

TEST_F(OutputFile, BytesAreTheSameWhereverTheCachedPartEnds) {
    bool direct = takes_direct_writes();
    const std::string text = numbered_text((std::size_t{11} << 20) + 1234);
    // Nothing cached, a part ending off a block, on one, and all of it cached.
    for (std::size_t cached : {std::size_t{0}, std::size_t{1000}, std::size_t{8192}, text.size()}) {
        SCOPED_TRACE("cached bytes " + std::to_string(cached));
        set_output_cached_bytes(cached);
        std::uint64_t direct_before = output_bytes_written_direct();
        std::FILE* out = open_output_file(path.c_str());
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(write_in_pieces(out, text, static_cast<unsigned>(cached)));
        EXPECT_TRUE(read_whole(path) == text);
        std::uint64_t written_direct = output_bytes_written_direct() - direct_before;
        if (direct && cached < text.size()) {
            // All but the cached part and the last partial block.
            EXPECT_GE(written_direct, text.size() - cached - 2 * 4096);
            EXPECT_EQ(written_direct % 4096, 0u);
        } else {
            EXPECT_EQ(written_direct, 0u);
        }
    }
}

TEST_F(OutputFile, AFailedWriteIsReportedByClose) {
    set_output_cached_bytes(0);
    std::FILE* out = open_output_file("/dev/full");
    ASSERT_NE(out, nullptr);
    EXPECT_FALSE(write_in_pieces(out, numbered_text(100000), 1));

    // A file that may grow no larger than a limit, off a block boundary and
    // on one: writes past it fail, direct or not, and what was written is
    // the beginning of the text.
    const std::string text = numbered_text(std::size_t{10} << 20);
    for (std::size_t limit : {std::size_t{6 << 20} + 100, std::size_t{6 << 20}}) {
        EXPECT_EXIT(write_limited(path, text, limit), ::testing::ExitedWithCode(0), "");
        std::string written = read_whole(path);
        EXPECT_LE(written.size(), limit);
        EXPECT_TRUE(text.compare(0, written.size(), written) == 0);
    }
}

TEST_F(OutputFile, AProcessEndingWithTheFileOpenWritesItAll) {
    // Less than the gathering buffer past the cached part: nothing of it
    // written until the process ends.
    const std::string text = numbered_text((std::size_t{3} << 20) + 77);
    EXPECT_EXIT(
        {
            set_output_cached_bytes(1000);
            std::FILE* out = open_output_file(path.c_str());
            if (!out) std::exit(1);
            std::fwrite(text.data(), 1, text.size(), out);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_TRUE(read_whole(path) == text);
}

}  // namespace
