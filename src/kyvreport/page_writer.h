// Writes the results as one self-contained HTML page: the data as JSON in
// script elements, streamed as the report is read, and a script that draws
// the summary, the rules with their help, the files and the traps (a window
// of rows at a time), each location a link to its source.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "kyvreport/conversion_overview.h"
#include "kyvreport/result_stream.h"

struct page_settings {
    std::string title;       // "" for "Review report: REPORT"
    std::string source_url;  // --source-url's template, "" for links relative to the page
    std::string page;        // the page's file, "-" for standard output
    bool snippets = false;   // the lines around each finding, from the sources under the root
};

class page_writer : public result_sink {
public:
    page_writer(std::FILE* out, const conversion_overview& overview, const page_settings& settings);
    ~page_writer() override;

    void begin();
    void end();

    void file_start(const file_node& file, const artifact_location& location) override;
    void file_end() override;
    void function_start(const function_node& function) override;
    void function_end() override;
    void result(const trap_result& result) override;

private:
    struct state;
    std::unique_ptr<state> state_;
};
