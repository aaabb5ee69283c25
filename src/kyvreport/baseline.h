// A SARIF log kept from an earlier accepted run: its results, matched by
// fingerprint against the results of this run, tell which are new and which
// have disappeared.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

// One result of the old log, as much of it as an absent result shows again.
struct old_result {
    std::string rule_id;
    std::string level;
    std::string message;
    std::string uri;
    std::string base_id;
    long long line = 0;
    long long column = 0;
    std::string fingerprint;
};

class baseline {
public:
    // Streams the log at path; returns what is wrong with it ("" when read).
    std::string load(const std::string& path);

    // The name of the tool that wrote the log, "" when it names none.
    const std::string& tool() const { return tool_; }
    // The local path of the log's SRCROOT, "" when it records none.
    const std::string& root() const { return root_; }
    // Every key of the results' partialFingerprints.
    const std::set<std::string>& fingerprint_keys() const { return fingerprint_keys_; }

    // True when an old result with this fingerprint is still unmatched; the
    // match uses it up.
    bool match(const std::string& fingerprint);
    // Forgets the matches, for a second pass over the same report.
    void rewind();
    // The old results no match used, in their order in the old log.
    std::vector<const old_result*> absent() const;

private:
    std::vector<old_result> results_;
    std::map<std::string, std::vector<size_t>> by_fingerprint_;
    std::map<std::string, size_t> used_;
    std::string tool_;
    std::string root_;
    std::set<std::string> fingerprint_keys_;
};
