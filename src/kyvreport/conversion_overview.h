// Everything the outputs need before the first result: learnt by the survey
// pass, fixed while the writing pass runs.
#pragma once
#include <string>
#include <vector>

#include "kyvreport/artifact_uri.h"
#include "kyvreport/baseline.h"
#include "kyvreport/result_stream.h"
#include "kyvreport/rule_book.h"

struct conversion_overview {
    const report_survey& survey;
    const rule_book& rules;
    const artifact_uris& uris;
    bool has_baseline;
    std::vector<const old_result*> absent;  // empty with --new-only
    std::string rules_document;  // URI of the rules document, for helpUri
};

// kyvld's version: kyvreport is built from the same tree.
extern const char* const KYV_TOOL_VERSION;
