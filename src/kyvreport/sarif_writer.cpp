// The SARIF log: per run, tool.driver with one rule per rule that a result of
// the run names, then the results, each with its rule, level, message,
// location, enclosing function, second position, justification and
// fingerprint, then the invocation with a notification per rule whose
// results the cap left out.
#include "kyvreport/sarif_writer.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/writer.h>

#include <string>
#include <vector>

#include "kyvreport/json_stream.h"
#include "kyvreport/rule_help.h"
#include "kyvreport/trap_identity.h"

namespace {

// RapidJSON's compact and indenting writers share no virtual interface: this
// one holds both on one stream and sends each call to the one chosen.
template <class Stream>
class json_out {
public:
    json_out(Stream& stream, bool pretty) : compact_(stream), pretty_(stream), indented_(pretty) {
        pretty_.SetIndent(' ', 2);
    }
    void StartObject() { indented_ ? pretty_.StartObject() : compact_.StartObject(); }
    void EndObject() { indented_ ? pretty_.EndObject() : compact_.EndObject(); }
    void StartArray() { indented_ ? pretty_.StartArray() : compact_.StartArray(); }
    void EndArray() { indented_ ? pretty_.EndArray() : compact_.EndArray(); }
    void Key(const char* key) { indented_ ? pretty_.Key(key) : compact_.Key(key); }
    void String(const std::string& value) {
        const auto size = static_cast<rapidjson::SizeType>(value.size());
        indented_ ? pretty_.String(value.data(), size) : compact_.String(value.data(), size);
    }
    void Int64(long long value) { indented_ ? pretty_.Int64(value) : compact_.Int64(value); }
    void Bool(bool value) { indented_ ? pretty_.Bool(value) : compact_.Bool(value); }
    // Writes what precedes an object in the current place (a comma, the
    // indentation) and no object: the caller then writes one of its own.
    void place_object() {
        indented_ ? pretty_.RawValue("", 0, rapidjson::kObjectType) : compact_.RawValue("", 0, rapidjson::kObjectType);
    }

private:
    rapidjson::Writer<Stream> compact_;
    rapidjson::PrettyWriter<Stream> pretty_;
    bool indented_;
};

// The final log's bytes: to the output file, and through the gzip meter.
class log_stream {
public:
    typedef char Ch;
    log_stream(std::FILE* out, gzip_meter& meter) : out_(out), meter_(meter) {}
    void Put(Ch c) { write(&c, 1); }
    void Flush() {}
    void write(const char* bytes, size_t count) {
        std::fwrite(bytes, 1, count, out_);
        meter_.add(bytes, count);
    }
    Ch Peek() const { return 0; }
    Ch Take() { return 0; }
    size_t Tell() const { return 0; }
    Ch* PutBegin() { return nullptr; }
    size_t PutEnd(Ch*) { return 0; }

private:
    std::FILE* out_;
    gzip_meter& meter_;
};

using run_json = json_out<json_stream>;

void member(run_json& json, const char* key, const std::string& value) {
    json.Key(key);
    json.String(value);
}

void message(run_json& json, const char* key, const std::string& value) {
    json.Key(key);
    json.StartObject();
    member(json, "text", value);
    json.EndObject();
}

// A region starts at line 1 and column 1; a trap without a line has none.
void physical_location(run_json& json, const artifact_location& location, long long line, long long column) {
    json.Key("physicalLocation");
    json.StartObject();
    json.Key("artifactLocation");
    json.StartObject();
    member(json, "uri", location.uri);
    if (!location.base_id.empty()) member(json, "uriBaseId", location.base_id);
    json.EndObject();
    if (line > 0) {
        json.Key("region");
        json.StartObject();
        json.Key("startLine");
        json.Int64(line);
        if (column > 0) {
            json.Key("startColumn");
            json.Int64(column);
        }
        json.EndObject();
    }
    json.EndObject();
}

const char* baseline_state(baseline_mark mark) {
    return mark == baseline_mark::unchanged ? "unchanged" : "new";
}

// The notification a cap's note is filed under.
const char CAP_NOTE_ID[] = "results-left-out";

}  // namespace

const char* const KYV_TOOL_VERSION = KYV_VERSION;

// One run, written into a temporary file of its own.
struct run_output {
    run_output(std::FILE* spool, bool pretty) : file(spool), stream(spool, false), json(stream, pretty) {}
    ~run_output() {
        if (file) std::fclose(file);
    }
    std::FILE* file;
    json_stream stream;
    run_json json;
    std::vector<int> rule_index;  // rule book index -> index in driver.rules, -1 when not listed
    long long rules = 0;
};

struct sarif_writer::state {
    state(const conversion_overview& overview, log_plan& plan, bool pretty)
        : overview(overview), plan(plan), pretty(pretty) {}
    const conversion_overview& overview;
    log_plan& plan;
    bool pretty;
    std::vector<std::unique_ptr<run_output>> runs;

    const rule_row& row(int rule) const { return overview.rules.rows()[static_cast<size_t>(rule)]; }

    void start_run(int number, run_output& run);
    void rules(int number, run_output& run);
    void rule_reference(run_output& run, int book_index, const std::string& id);
    void absent_result(run_output& run, int book_index, const old_result& old);
    void invocation(int number, run_output& run);
};

void sarif_writer::state::start_run(int number, run_output& run) {
    run_json& json = run.json;
    json.StartObject();
    json.Key("tool");
    json.StartObject();
    json.Key("driver");
    json.StartObject();
    member(json, "name", "kyvld");
    member(json, "version", KYV_TOOL_VERSION);
    member(json, "informationUri", overview.rules_document);
    message(json, "shortDescription", "Link stage of a review tool for C and C++ code");
    message(json, "fullDescription",
            "Rule violations of C and C++ code found per translation unit by the analyser and "
            "across the whole program by kyvld, converted from its XML review report by kyvreport.");
    rules(number, run);
    json.EndObject();
    json.EndObject();
    // A host tells runs of one tool apart by this id's part before its last "/".
    const std::string& name = plan.run_name(number);
    json.Key("automationDetails");
    json.StartObject();
    member(json, "id", name.empty() ? std::string("kyvld/") : "kyvld/" + name + "/");
    json.EndObject();
    if (overview.uris.has_root()) {
        json.Key("originalUriBaseIds");
        json.StartObject();
        json.Key("SRCROOT");
        json.StartObject();
        member(json, "uri", overview.uris.root_uri());
        json.EndObject();
        json.EndObject();
    }
    member(json, "columnKind", "unicodeCodePoints");
    json.Key("results");
    json.StartArray();
}

void sarif_writer::state::rules(int number, run_output& run) {
    run_json& json = run.json;
    json.Key("rules");
    json.StartArray();
    int next = 0;
    for (size_t index = 0; index < overview.rules.rows().size(); ++index) {
        const rule_row& rule = overview.rules.rows()[index];
        if (!rule.listed() || plan.run_of(static_cast<int>(index)) != number) {
            run.rule_index.push_back(-1);
            continue;
        }
        run.rule_index.push_back(next++);
        json.StartObject();
        const rule_description about = describe_rule(rule, overview.rules_document);
        member(json, "id", rule.id);
        member(json, "name", about.name);
        message(json, "shortDescription", about.short_text);
        message(json, "fullDescription", about.full_text);
        json.Key("help");
        json.StartObject();
        member(json, "text", about.help_text);
        member(json, "markdown", about.help_markdown);
        json.EndObject();
        member(json, "helpUri", about.help_uri);
        json.Key("properties");
        json.StartObject();
        json.Key("tags");
        json.StartArray();
        if (!rule.group.empty()) json.String(rule.group);
        json.EndArray();
        member(json, "precision", about.precision);
        member(json, "problem.severity", rule.level == result_level::note ? "recommendation" : level_name(rule.level));
        json.EndObject();
        json.Key("defaultConfiguration");
        json.StartObject();
        member(json, "level", level_name(rule.level));
        json.EndObject();
        json.EndObject();
    }
    run.rules = next;
    json.EndArray();
}

void sarif_writer::state::rule_reference(run_output& run, int book_index, const std::string& id) {
    member(run.json, "ruleId", id);
    if (book_index >= 0 && run.rule_index[static_cast<size_t>(book_index)] >= 0) {
        run.json.Key("ruleIndex");
        run.json.Int64(run.rule_index[static_cast<size_t>(book_index)]);
    }
}

void sarif_writer::state::absent_result(run_output& run, int book_index, const old_result& old) {
    run_json& json = run.json;
    json.StartObject();
    rule_reference(run, book_index, old.rule_id);
    if (old.level == "error" || old.level == "warning" || old.level == "note" || old.level == "none")
        member(json, "level", old.level);
    message(json, "message", old.message);
    if (!old.uri.empty()) {
        json.Key("locations");
        json.StartArray();
        json.StartObject();
        physical_location(json, {old.uri, old.base_id}, old.line, old.column);
        json.EndObject();
        json.EndArray();
    }
    if (!old.fingerprint.empty()) {
        json.Key("partialFingerprints");
        json.StartObject();
        member(json, TRAP_IDENTITY_KEY, old.fingerprint);
        json.EndObject();
    }
    member(json, "baselineState", "absent");
    json.EndObject();
}

// What the cap left out, where SARIF keeps facts about the tool's run.
void sarif_writer::state::invocation(int number, run_output& run) {
    run_json& json = run.json;
    json.Key("invocations");
    json.StartArray();
    json.StartObject();
    json.Key("executionSuccessful");
    json.Bool(true);
    const auto left_out = plan.left_out(number);
    if (!left_out.empty()) {
        json.Key("toolExecutionNotifications");
        json.StartArray();
        const std::string summary = "The run holds the " + std::to_string(plan.written(number)) + " most severe of " +
                                    std::to_string(plan.total(number)) + " results (at most " +
                                    std::to_string(plan.cap()) + " per run, which a code host shows in full).";
        for (const auto& entry : left_out) {
            const rule_row& rule = row(entry.first);
            json.StartObject();
            json.Key("descriptor");
            json.StartObject();
            member(json, "id", CAP_NOTE_ID);
            json.EndObject();
            json.Key("associatedRule");
            json.StartObject();
            member(json, "id", rule.id);
            if (run.rule_index[static_cast<size_t>(entry.first)] >= 0) {
                json.Key("index");
                json.Int64(run.rule_index[static_cast<size_t>(entry.first)]);
            }
            json.EndObject();
            member(json, "level", "warning");
            message(json, "message",
                    std::to_string(entry.second) + " result" + (entry.second == 1 ? "" : "s") + " of " + rule.id +
                        " left out. " + summary);
            json.EndObject();
        }
        json.EndArray();
    }
    json.EndObject();
    json.EndArray();
}

sarif_writer::sarif_writer(const conversion_overview& overview, log_plan& plan, bool pretty)
    : state_(new state(overview, plan, pretty)) {}

sarif_writer::~sarif_writer() = default;

std::string sarif_writer::begin() {
    for (int number = 0; number < state_->plan.runs(); ++number) {
        std::FILE* spool = std::tmpfile();
        if (!spool) return "cannot create a temporary file for the log";
        state_->runs.emplace_back(new run_output(spool, state_->pretty));
        state_->start_run(number, *state_->runs.back());
    }
    return "";
}

void sarif_writer::result(const trap_result& result) {
    if (!state_->plan.take(result.rule, severity_rank(result))) return;
    run_output& run = *state_->runs[static_cast<size_t>(state_->plan.run_of(result.rule))];
    run_json& json = run.json;
    const trap_node& trap = result.trap;
    json.StartObject();
    state_->rule_reference(run, result.rule, state_->row(result.rule).id);
    member(json, "level", level_name(result.level));
    message(json, "message", result.message.sarif);
    json.Key("locations");
    json.StartArray();
    json.StartObject();
    physical_location(json, result.location, trap.line, trap.row);
    if (!result.function.empty()) {
        json.Key("logicalLocations");
        json.StartArray();
        json.StartObject();
        member(json, "name", result.function);
        member(json, "kind", "function");
        json.EndObject();
        json.EndArray();
    }
    json.EndObject();
    json.EndArray();
    if (trap.related.present) {
        json.Key("relatedLocations");
        json.StartArray();
        json.StartObject();
        json.Key("id");
        json.Int64(1);
        physical_location(json, result.related_location, trap.related.line, trap.related.row);
        message(json, "message", "Second position of the trap");
        json.EndObject();
        json.EndArray();
    }
    if (trap.state == trap_state::justified) {
        json.Key("suppressions");
        json.StartArray();
        json.StartObject();
        member(json, "kind", "inSource");
        if (!trap.comment.empty()) member(json, "justification", trap.comment);
        json.EndObject();
        json.EndArray();
    }
    json.Key("partialFingerprints");
    json.StartObject();
    member(json, TRAP_IDENTITY_KEY, result.fingerprint);
    json.EndObject();
    if (result.mark != baseline_mark::none) member(json, "baselineState", baseline_state(result.mark));
    json.EndObject();
}

std::string sarif_writer::end(std::FILE* out, log_size& size) {
    state& s = *state_;
    const auto& rows = s.overview.rules.rows();
    for (const old_result* old : s.overview.absent) {
        int book_index = -1;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].id == old->rule_id) book_index = static_cast<int>(i);
        // index_of_absent gave every absent rule a row.
        if (book_index < 0 || !s.plan.take(book_index, ABSENT_RANK)) continue;
        s.absent_result(*s.runs[static_cast<size_t>(s.plan.run_of(book_index))], book_index, *old);
    }
    for (int number = 0; number < s.plan.runs(); ++number) {
        run_output& run = *s.runs[static_cast<size_t>(number)];
        run.json.EndArray();
        s.invocation(number, run);
        run.json.EndObject();
        run.stream.finish();
        if (std::fflush(run.file) != 0 || std::ferror(run.file)) return "cannot write the temporary file of the log";
        size.results_per_run.push_back(s.plan.written(number));
        size.rules_per_run.push_back(run.rules);
    }

    // The envelope, with each run's bytes placed where the writer expects
    // the run object; indented runs move right by their depth in the log.
    gzip_meter meter;
    log_stream stream(out, meter);
    json_out<log_stream> json(stream, s.pretty);
    json.StartObject();
    json.Key("$schema");
    json.String("https://json.schemastore.org/sarif-2.1.0.json");
    json.Key("version");
    json.String("2.1.0");
    json.Key("runs");
    json.StartArray();
    for (auto& run : s.runs) {
        json.place_object();
        std::rewind(run->file);
        char buffer[65536];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, run->file)) > 0) {
            if (!s.pretty) {
                stream.write(buffer, count);
                continue;
            }
            // Indented JSON holds no raw line feed inside a string.
            size_t from = 0;
            for (size_t i = 0; i < count; ++i) {
                if (buffer[i] != '\n') continue;
                stream.write(buffer + from, i + 1 - from);
                stream.write("    ", 4);
                from = i + 1;
            }
            stream.write(buffer + from, count - from);
        }
        if (std::ferror(run->file)) return "cannot read the temporary file of the log";
    }
    json.EndArray();
    json.EndObject();
    stream.Put('\n');
    size.gzip_bytes = meter.finish();
    return "";
}
