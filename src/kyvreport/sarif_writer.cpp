// The SARIF log: tool.driver with one rule per rule that a written result
// names, then the results, each with its rule, level, message, location,
// enclosing function, second position, justification and fingerprint.
#include "kyvreport/sarif_writer.h"

#include <rapidjson/prettywriter.h>

#include <string>
#include <vector>

#include "kyvreport/json_stream.h"
#include "kyvreport/trap_identity.h"

namespace {

using json_writer = rapidjson::PrettyWriter<json_stream>;

void text(json_writer& json, const std::string& value) {
    json.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void member(json_writer& json, const char* key, const std::string& value) {
    json.Key(key);
    text(json, value);
}

void message(json_writer& json, const char* key, const std::string& value) {
    json.Key(key);
    json.StartObject();
    member(json, "text", value);
    json.EndObject();
}

// A region starts at line 1 and column 1; a trap without a line has none.
void physical_location(json_writer& json, const artifact_location& location, long long line, long long column) {
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

}  // namespace

const char* const KYV_TOOL_VERSION = KYV_VERSION;

struct sarif_writer::state {
    state(std::FILE* out, const conversion_overview& overview)
        : out(out), stream(out, false), json(stream), overview(overview) {
        json.SetIndent(' ', 2);
    }
    std::FILE* out;
    json_stream stream;
    json_writer json;
    const conversion_overview& overview;
    std::vector<int> rule_index;  // rule book index -> index in driver.rules, -1 when unlisted

    void rules() {
        json.Key("rules");
        json.StartArray();
        int next = 0;
        for (const rule_row& row : overview.rules.rows()) {
            if (!row.listed()) {
                rule_index.push_back(-1);
                continue;
            }
            rule_index.push_back(next++);
            json.StartObject();
            member(json, "id", row.id);
            // A label the report shows alone already stands as the id.
            if (!row.label.empty() && row.label != row.id) member(json, "name", row.label);
            if (!row.group.empty()) message(json, "shortDescription", row.group);
            json.Key("defaultConfiguration");
            json.StartObject();
            member(json, "level", level_name(row.level));
            json.EndObject();
            json.EndObject();
        }
        json.EndArray();
    }

    void rule_reference(int book_index, const std::string& id) {
        member(json, "ruleId", id);
        if (book_index >= 0 && rule_index[static_cast<size_t>(book_index)] >= 0) {
            json.Key("ruleIndex");
            json.Int(rule_index[static_cast<size_t>(book_index)]);
        }
    }

    void fingerprint(const std::string& value) {
        json.Key("partialFingerprints");
        json.StartObject();
        member(json, TRAP_IDENTITY_KEY, value);
        json.EndObject();
    }
};

sarif_writer::sarif_writer(std::FILE* out, const conversion_overview& overview)
    : state_(new state(out, overview)) {}

sarif_writer::~sarif_writer() = default;

void sarif_writer::begin() {
    json_writer& json = state_->json;
    json.StartObject();
    member(json, "$schema", "https://json.schemastore.org/sarif-2.1.0.json");
    member(json, "version", "2.1.0");
    json.Key("runs");
    json.StartArray();
    json.StartObject();
    json.Key("tool");
    json.StartObject();
    json.Key("driver");
    json.StartObject();
    member(json, "name", "kyvld");
    member(json, "version", KYV_TOOL_VERSION);
    message(json, "shortDescription", "Link stage of a review tool for C and C++ code");
    message(json, "fullDescription",
            "Rule violations of C and C++ code found per translation unit by the analyser and "
            "across the whole program by kyvld, converted from its XML review report by kyvreport.");
    state_->rules();
    json.EndObject();
    json.EndObject();
    if (state_->overview.uris.has_root()) {
        json.Key("originalUriBaseIds");
        json.StartObject();
        json.Key("SRCROOT");
        json.StartObject();
        member(json, "uri", state_->overview.uris.root_uri());
        json.EndObject();
        json.EndObject();
    }
    member(json, "columnKind", "unicodeCodePoints");
    json.Key("results");
    json.StartArray();
}

void sarif_writer::result(const trap_result& result) {
    json_writer& json = state_->json;
    const trap_node& trap = result.trap;
    json.StartObject();
    state_->rule_reference(result.rule, state_->overview.rules.rows()[static_cast<size_t>(result.rule)].id);
    member(json, "level", level_name(result.level));
    // A configured rule may have an empty message; a result needs a text.
    message(json, "message", trap.message.empty() ? trap.rule : trap.message);
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
        json.Int(1);
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
    state_->fingerprint(result.fingerprint);
    if (result.mark != baseline_mark::none) member(json, "baselineState", baseline_state(result.mark));
    json.EndObject();
}

void sarif_writer::end() {
    json_writer& json = state_->json;
    for (const old_result* old : state_->overview.absent) {
        json.StartObject();
        int book_index = -1;
        for (size_t i = 0; i < state_->overview.rules.rows().size(); ++i)
            if (state_->overview.rules.rows()[i].id == old->rule_id) book_index = static_cast<int>(i);
        state_->rule_reference(book_index, old->rule_id);
        if (old->level == "error" || old->level == "warning" || old->level == "note" || old->level == "none")
            member(json, "level", old->level);
        message(json, "message", old->message);
        if (!old->uri.empty()) {
            json.Key("locations");
            json.StartArray();
            json.StartObject();
            physical_location(json, {old->uri, old->base_id}, old->line, old->column);
            json.EndObject();
            json.EndArray();
        }
        if (!old->fingerprint.empty()) state_->fingerprint(old->fingerprint);
        member(json, "baselineState", "absent");
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    json.EndArray();
    json.EndObject();
    state_->stream.finish();
    std::fputc('\n', state_->out);
}
