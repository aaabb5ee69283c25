#include "kyvreport/host_limits.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

TEST(HostLimits, EachLimitPassedGivesOneSentenceAndALogWithinThemNone) {
    const struct {
        log_size size;
        std::vector<std::string> problems;
    } cases[] = {
        {{{5000}, {100}, 10000000}, {}},
        {{{5001}, {1}, 0}, {"the run has 5001 results, and a code host shows only the 5000 most severe"}},
        {{{25001}, {1}, 0}, {"the run has 25001 results, and a code host refuses a run of more than 25000"}},
        {{{1, 30000}, {1, 25001}, 0},
         {"run 2 has 30000 results, and a code host refuses a run of more than 25000",
          "run 2 has 25001 rules, and a code host takes at most 25000"}},
        {{std::vector<long long>(21, 1), std::vector<long long>(21, 1), 0},
         {"21 runs, and a code host takes at most 20 in one file"}},
        {{{1}, {1}, 10000001}, {"it takes 10.0 MB gzip-compressed, and a code host takes at most 10.0 MB"}},
    };
    for (const auto& c : cases) EXPECT_EQ(over_host_limits(c.size), c.problems);
}

TEST(GzipMeter, CountsWhatGzipAtTheDefaultLevelWrites) {
    std::mt19937 random(7);
    std::string noise(300000, ' ');
    for (char& c : noise) c = static_cast<char>(random());
    std::string repeated(1000000, 'a');
    for (const std::string* input : {&noise, &repeated}) {
        gzip_meter meter;
        // In uneven pieces, as a writer hands them over.
        for (size_t at = 0; at < input->size(); at += 4097) meter.add(input->data() + at, std::min<size_t>(4097, input->size() - at));
        z_stream zip{};
        ASSERT_EQ(deflateInit2(&zip, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
        std::vector<unsigned char> out(deflateBound(&zip, input->size()));
        zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input->data()));
        zip.avail_in = static_cast<uInt>(input->size());
        zip.next_out = out.data();
        zip.avail_out = static_cast<uInt>(out.size());
        ASSERT_EQ(deflate(&zip, Z_FINISH), Z_STREAM_END);
        EXPECT_EQ(meter.finish(), static_cast<long long>(zip.total_out));
        deflateEnd(&zip);
    }
}
