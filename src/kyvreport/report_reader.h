// Streams a review report written by kyvld -KYV=<file> through an XML parser
// and hands its nodes to a report_events receiver, so that a report of any
// size is read in bounded memory.
#pragma once
#include <string>

#include "kyvreport/report_model.h"

// Reads the whole report at path; returns what is wrong with it ("" when it
// was read to its end). The receiver may have seen part of the nodes of a
// report that turns out to be invalid.
std::string read_report(const std::string& path, report_events& events);
