// The old log is read with a SAX parser: only the fields of the results are
// kept, so a large log costs its results, not its parse tree.
#include "kyvreport/baseline.h"

#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kyvreport/trap_identity.h"

namespace {

const std::vector<std::string> RESULT_PATH = {"runs", "[]", "results", "[]"};

// Tracks where in the document each value stands, as a path of member
// names with "[]" for array elements, and fills a record per result.
class result_handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, result_handler> {
public:
    // Fills results; tool, root and keys from the first run that gives them.
    result_handler(std::vector<old_result>& results, std::string& tool, std::string& root_uri,
                   std::set<std::string>& keys)
        : results_(results), tool_(tool), root_uri_(root_uri), keys_(keys) {}

    bool StartObject() { return open(false); }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(true); }
    bool EndArray(rapidjson::SizeType) { return close(); }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        frames_.back().key.assign(text, length);
        if (in_result_ && frames_.size() == RESULT_PATH.size() + 2 &&
            frames_[RESULT_PATH.size()].key == "partialFingerprints")
            keys_.insert(frames_.back().key);
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return scalar(std::string(text, length), 0, false);
    }
    bool Int(int value) { return scalar("", value, true); }
    bool Uint(unsigned value) { return scalar("", value, true); }
    bool Int64(int64_t value) { return scalar("", value, true); }
    bool Uint64(uint64_t value) { return scalar("", static_cast<long long>(value), true); }
    bool Default() { return check_root_value(); }

    bool saw_runs() const { return saw_runs_; }
    const char* shape_problem() const { return shape_problem_; }

private:
    struct frame {
        bool array;
        std::string key;
    };

    bool check_root_value() {
        if (frames_.empty()) {
            shape_problem_ = "its top level is not an object";
            return false;
        }
        return true;
    }

    bool open(bool array) {
        if (frames_.empty() && array) {
            shape_problem_ = "its top level is not an object";
            return false;
        }
        if (frames_.size() == 1 && frames_[0].key == "runs") {
            if (!array) {
                shape_problem_ = "its \"runs\" is not an array";
                return false;
            }
            saw_runs_ = true;
        }
        if (!array && frames_.size() == RESULT_PATH.size() && parent_path_is(RESULT_PATH)) {
            in_result_ = true;
            current_ = old_result();
            state_.clear();
            first_location_ = true;
        }
        frames_.push_back({array, array ? "[]" : ""});
        return true;
    }

    bool close() {
        frames_.pop_back();
        if (in_result_ && frames_.size() == RESULT_PATH.size()) {
            in_result_ = false;
            if (state_ != "absent") results_.push_back(current_);
        }
        // Only the first location of a result is kept.
        if (in_result_ && frames_.size() == RESULT_PATH.size() + 2 &&
            frames_[RESULT_PATH.size()].key == "locations")
            first_location_ = false;
        return true;
    }

    // The path below runs[i], for a value that many levels below a run.
    bool run_path_is(std::initializer_list<const char*> path) const {
        if (frames_[0].key != "runs" || !frames_[1].array) return false;
        size_t i = 2;
        for (const char* part : path)
            if (frames_[i++].key != part) return false;
        return true;
    }

    bool parent_path_is(const std::vector<std::string>& path) const {
        for (size_t i = 0; i < path.size(); ++i)
            if (frames_[i].key != path[i]) return false;
        return true;
    }

    // The path of the current value below the result object.
    bool relative_is(std::initializer_list<const char*> path) const {
        const size_t base = RESULT_PATH.size() + 1;
        if (frames_.size() != base + path.size() - 1) return false;
        size_t i = base - 1;
        for (const char* part : path) {
            if (frames_[i].key != part) return false;
            ++i;
        }
        return true;
    }

    bool scalar(const std::string& text, long long number, bool is_number) {
        if (!check_root_value()) return false;
        if (!in_result_) {
            if (!is_number && frames_.size() == 5 && run_path_is({"tool", "driver", "name"}) && tool_.empty())
                tool_ = text;
            if (!is_number && frames_.size() == 5 && run_path_is({"originalUriBaseIds", "SRCROOT", "uri"}) &&
                root_uri_.empty())
                root_uri_ = text;
            return true;
        }
        if (!is_number) {
            if (relative_is({"ruleId"})) current_.rule_id = text;
            else if (relative_is({"level"})) current_.level = text;
            else if (relative_is({"baselineState"})) state_ = text;
            else if (relative_is({"message", "text"})) current_.message = text;
            else if (relative_is({"partialFingerprints", TRAP_IDENTITY_KEY})) current_.fingerprint = text;
            else if (first_location_ && relative_is({"locations", "[]", "physicalLocation", "artifactLocation", "uri"}))
                current_.uri = text;
            else if (first_location_ &&
                     relative_is({"locations", "[]", "physicalLocation", "artifactLocation", "uriBaseId"}))
                current_.base_id = text;
        } else if (first_location_) {
            if (relative_is({"locations", "[]", "physicalLocation", "region", "startLine"})) current_.line = number;
            else if (relative_is({"locations", "[]", "physicalLocation", "region", "startColumn"}))
                current_.column = number;
        }
        return true;
    }

    std::vector<old_result>& results_;
    std::string& tool_;
    std::string& root_uri_;
    std::set<std::string>& keys_;
    std::vector<frame> frames_;
    bool in_result_ = false;
    bool first_location_ = true;
    bool saw_runs_ = false;
    old_result current_;
    std::string state_;
    const char* shape_problem_ = nullptr;
};

}  // namespace

std::string baseline::load(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::string("cannot read it: ") + std::strerror(errno);
    char buffer[65536];
    rapidjson::FileReadStream stream(file, buffer, sizeof buffer);
    std::string root_uri;
    result_handler handler(results_, tool_, root_uri, fingerprint_keys_);
    rapidjson::Reader reader;
    // Texts of the old log reach the outputs: they must be valid UTF-8. The
    // iterative parser keeps its nesting on the heap: no depth of arrays can
    // exhaust the stack.
    const rapidjson::ParseResult parsed =
        reader.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag>(stream, handler);
    const bool read_failed = std::ferror(file) != 0;
    std::fclose(file);
    if (read_failed) return "cannot read it: a read error occurred";
    if (handler.shape_problem()) return std::string("not a SARIF log: ") + handler.shape_problem();
    if (parsed.IsError())
        return "not valid JSON at byte " + std::to_string(parsed.Offset()) + ": " +
               rapidjson::GetParseError_En(parsed.Code());
    if (!handler.saw_runs()) return "not a SARIF log: it has no \"runs\" array";
    if (!root_uri.empty()) {
        const QUrl url(QString::fromStdString(root_uri));
        if (!url.isLocalFile()) return "its SRCROOT is not a file URI: '" + root_uri + "'";
        root_ = url.toLocalFile().toStdString();
    }
    for (size_t i = 0; i < results_.size(); ++i)
        if (!results_[i].fingerprint.empty()) by_fingerprint_[results_[i].fingerprint].push_back(i);
    return "";
}

bool baseline::match(const std::string& fingerprint) {
    const auto found = by_fingerprint_.find(fingerprint);
    if (found == by_fingerprint_.end()) return false;
    size_t& used = used_[fingerprint];
    if (used >= found->second.size()) return false;
    ++used;
    return true;
}

void baseline::rewind() { used_.clear(); }

std::vector<const old_result*> baseline::absent() const {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < results_.size(); ++i)
        if (results_[i].fingerprint.empty()) indexes.push_back(i);
    for (const auto& entry : by_fingerprint_) {
        const auto used = used_.find(entry.first);
        const size_t from = used == used_.end() ? 0 : used->second;
        indexes.insert(indexes.end(), entry.second.begin() + static_cast<long>(from), entry.second.end());
    }
    std::sort(indexes.begin(), indexes.end());
    std::vector<const old_result*> absent;
    for (size_t i : indexes) absent.push_back(&results_[i]);
    return absent;
}
