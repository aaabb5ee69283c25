#include "kyvscan/unit_scanner.h"

#include <sys/stat.h>
#include <unistd.h>

#include "kyvscan/unit_scan.h"

namespace {

unit_result scan_unit(CXIndex index, const unit_request& request) {
    unit_result result;
    // A device or a pipe named as the unit would be read without end.
    struct stat file_status;
    if (stat(request.source.c_str(), &file_status) != 0 || access(request.source.c_str(), R_OK) != 0) {
        result.failure = "cannot read " + request.source;
        return result;
    }
    if (!S_ISREG(file_status.st_mode)) {
        result.failure = "not a regular file";
        return result;
    }
    std::vector<const char*> argv;
    for (const std::string& word : request.args) argv.push_back(word.c_str());
    CXTranslationUnit tu = nullptr;
    unsigned options = CXTranslationUnit_DetailedPreprocessingRecord | CXTranslationUnit_KeepGoing;
    CXErrorCode status = clang_parseTranslationUnit2FullArgv(
        index, nullptr, argv.data(), static_cast<int>(argv.size()), nullptr, 0, options, &tu);
    if (status != CXError_Success || !tu) {
        result.failure = status == CXError_Crashed ? "the parser crashed" : "the parser gave no unit";
        return result;
    }
    result.parsed = true;
    unit_scan(tu, request, result).run();
    clang_disposeTranslationUnit(tu);
    return result;
}

}  // namespace

extern "C" void kyvscan_scan_unit(const unit_request* request, unit_result* result) {
    CXIndex index = clang_createIndex(0, 0);
    *result = scan_unit(index, *request);
    clang_disposeIndex(index);
}
