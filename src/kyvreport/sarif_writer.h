// Writes the results as one SARIF 2.1.0 log of one or more runs, streaming:
// the rules come from the survey, the results one by one as the report is
// read, each into its run's spool file, which end() then joins into the log.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "kyvreport/conversion_overview.h"
#include "kyvreport/host_limits.h"
#include "kyvreport/log_plan.h"
#include "kyvreport/result_stream.h"

class sarif_writer : public result_sink {
public:
    // The plan is settled; the writer takes its results from it.
    sarif_writer(const conversion_overview& overview, log_plan& plan, bool pretty);
    ~sarif_writer() override;

    // Opens the runs; returns what went wrong ("" when they are open).
    std::string begin();
    // The absent results of the baseline, the notes of what the cap left
    // out, then the log into out; returns what went wrong ("" when written)
    // and what the log holds in size.
    std::string end(std::FILE* out, log_size& size);

    void file_start(const file_node&, const artifact_location&) override {}
    void file_end() override {}
    void function_start(const function_node&) override {}
    void function_end() override {}
    void result(const trap_result& result) override;

private:
    struct state;
    std::unique_ptr<state> state_;
};
