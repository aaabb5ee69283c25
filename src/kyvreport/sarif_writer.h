// Writes the results as one SARIF 2.1.0 log with one run, streaming: the
// rules come from the survey, the results one by one as the report is read.
#pragma once
#include <cstdio>
#include <memory>

#include "kyvreport/conversion_overview.h"
#include "kyvreport/result_stream.h"

class sarif_writer : public result_sink {
public:
    sarif_writer(std::FILE* out, const conversion_overview& overview);
    ~sarif_writer() override;

    // The log's head, up to the opening of the results.
    void begin();
    // The absent results of the baseline, then the closing of the log.
    void end();

    void file_start(const file_node&, const artifact_location&) override {}
    void file_end() override {}
    void function_start(const function_node&) override {}
    void function_end() override {}
    void result(const trap_result& result) override;

private:
    struct state;
    std::unique_ptr<state> state_;
};
