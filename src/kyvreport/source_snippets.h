// The lines around each finding, read from the sources under the source
// root for the page (--snippets). The sources are untrusted: a file that is
// missing, not a regular file, binary, or outside the root (also through a
// symbolic link) gives no lines but a reason; a line is kept up to
// MAX_LINE_BYTES and invalid UTF-8 is replaced. The report lists a file's
// traps in line order, so each file is read once, forward, keeping only the
// last few lines: memory stays the same whatever the sizes of the files.
#pragma once
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "kyvreport/artifact_uri.h"

constexpr long long SNIPPET_CONTEXT = 2;    // lines before and after the finding's
constexpr size_t MAX_LINE_BYTES = 400;      // of one line, as shown
constexpr int MAX_REREADS = 64;             // per file, for traps out of line order

struct snippet {
    long long first_line = 0;  // 0: no lines
    std::vector<std::string> lines;
};

class source_snippets {
public:
    explicit source_snippets(const artifact_uris& uris) : uris_(uris) {}
    ~source_snippets() { close(); }
    source_snippets(const source_snippets&) = delete;
    source_snippets& operator=(const source_snippets&) = delete;

    // Opens the file a report's full path names for the traps that follow;
    // returns why its lines cannot be shown, "" when they can.
    std::string start_file(const std::string& full_path);
    // The lines around this line of the current file (fewer near its ends).
    snippet around(long long line);
    // Why the current file's lines stopped (a binary file found late), "" if they did not.
    const std::string& problem() const { return problem_; }

private:
    void close();
    bool read_line();  // false at the end of the file or on a binary one
    bool restart();

    const artifact_uris& uris_;
    std::FILE* file_ = nullptr;
    std::string problem_;
    long long lines_read_ = 0;
    std::deque<std::string> recent_;  // the last lines read, up to 2 * SNIPPET_CONTEXT + 1
    bool at_end_ = false;
    int rereads_ = 0;
};
