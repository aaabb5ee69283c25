// The page's data, in three JSON script elements: kyv-overview (summary,
// rules, baseline), kyv-traps (one array per trap, in report order) and
// kyv-places (the files and functions the traps point at by index).
#include "kyvreport/page_writer.h"

#include <rapidjson/writer.h>

#include <string>
#include <vector>

#include "kyvreport/json_stream.h"
#include "kyvreport/page_assets.h"

namespace {

using json_writer = rapidjson::Writer<json_stream>;

void text(json_writer& json, const std::string& value) {
    json.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void member(json_writer& json, const char* key, const std::string& value) {
    json.Key(key);
    text(json, value);
}

void count_member(json_writer& json, const char* key, long long value) {
    json.Key(key);
    if (value < 0) json.Null();
    else json.Int64(value);
}

// The codes of the page's script: 0 error, 1 warning, 2 justified, 3 note.
int state_code(const trap_result& result) {
    if (result.trap.state == trap_state::justified) return 2;
    switch (result.level) {
        case result_level::error: return 0;
        case result_level::warning: return 1;
        case result_level::note: return 3;
    }
    return 1;
}

std::string position_text(const std::string& path, long long line, long long row) {
    std::string out = path + ":" + std::to_string(line);
    if (row > 0) out += ":" + std::to_string(row);
    return out;
}

}  // namespace

struct page_writer::state {
    state(std::FILE* out, const conversion_overview& overview)
        : out(out), stream(out, true), json(stream), overview(overview) {}

    void put(const char* literal) { std::fputs(literal, out); }

    // Starts one JSON value of its own inside the current script element.
    json_writer& value() {
        json.Reset(stream);
        return json;
    }

    void end_value() { stream.finish(); }

    std::FILE* out;
    json_stream stream;
    json_writer json;
    const conversion_overview& overview;
    bool first_trap = true;
    int file_index = -1;
    std::vector<int> function_stack;
    struct place {
        std::string name, detail, uri;
        int file;
        long long line;
        int parent;
    };
    std::vector<place> files, functions;

    void write_overview();
    void write_places();
};

void page_writer::state::write_overview() {
    const report_survey& survey = overview.survey;
    const report_summary& summary = survey.summary;
    json_writer& json = value();
    json.StartObject();
    member(json, "title", summary.title);
    member(json, "generated", summary.generated);
    member(json, "configuration", summary.configuration);
    json.Key("summary");
    json.StartObject();
    count_member(json, "analysedFiles", summary.analysed_files);
    count_member(json, "filesWithTraps", summary.files_with_traps);
    count_member(json, "errors", summary.errors);
    count_member(json, "warnings", summary.warnings);
    json.EndObject();
    json.Key("extraRows");
    json.StartArray();
    for (const auto& row : summary.extra_rows) {
        json.StartArray();
        text(json, row.first);
        text(json, row.second);
        json.EndArray();
    }
    json.EndArray();
    json.Key("kept");
    json.StartObject();
    count_member(json, "errors", survey.errors);
    count_member(json, "warnings", survey.warnings);
    count_member(json, "notes", survey.notes);
    count_member(json, "justified", survey.justified);
    count_member(json, "fresh", survey.fresh);
    count_member(json, "unchanged", survey.unchanged);
    json.EndObject();
    json.Key("baseline");
    json.Bool(overview.has_baseline);
    json.Key("rules");
    json.StartArray();
    for (const rule_row& row : overview.rules.rows()) {
        json.StartArray();
        text(json, row.id);
        text(json, row.label);
        text(json, row.group);
        text(json, level_name(row.level));
        json.Int64(row.results);
        json.Int64(row.justified);
        json.EndArray();
    }
    json.EndArray();
    json.Key("deactivated");
    json.StartArray();
    for (const std::string& rule : survey.deactivated) text(json, rule);
    json.EndArray();
    json.Key("absent");
    json.StartArray();
    for (const old_result* old : overview.absent) {
        json.StartArray();
        text(json, old->rule_id);
        text(json, old->level);
        text(json, old->message);
        text(json, old->uri);
        json.Int64(old->line);
        json.Int64(old->column);
        json.EndArray();
    }
    json.EndArray();
    json.EndObject();
    end_value();
}

void page_writer::state::write_places() {
    json_writer& json = value();
    json.StartObject();
    json.Key("files");
    json.StartArray();
    for (const place& file : files) {
        json.StartArray();
        text(json, file.name);
        text(json, file.detail);
        text(json, file.uri);
        json.EndArray();
    }
    json.EndArray();
    json.Key("functions");
    json.StartArray();
    for (const place& function : functions) {
        json.StartArray();
        text(json, function.name);
        json.Int(function.file);
        json.Int64(function.line);
        json.Int(function.parent);
        json.EndArray();
    }
    json.EndArray();
    json.EndObject();
    end_value();
}

page_writer::page_writer(std::FILE* out, const conversion_overview& overview)
    : state_(new state(out, overview)) {}

page_writer::~page_writer() = default;

void page_writer::begin() {
    state_->put(PAGE_HEAD);
    state_->put(PAGE_BODY);
    state_->put("<script type=\"application/json\" id=\"kyv-overview\">");
    state_->write_overview();
    state_->put("</script>\n<script type=\"application/json\" id=\"kyv-traps\">[");
}

void page_writer::file_start(const file_node& file, const artifact_location& location) {
    state_->files.push_back(
        {file.short_name, state_->overview.uris.display_path(file.full_path), location.uri, -1, 0, -1});
    state_->file_index = static_cast<int>(state_->files.size()) - 1;
    state_->function_stack.clear();
}

void page_writer::file_end() {
    state_->file_index = -1;
    state_->function_stack.clear();
}

void page_writer::function_start(const function_node& function) {
    const int parent = state_->function_stack.empty() ? -1 : state_->function_stack.back();
    state_->functions.push_back({function.name, "", "", state_->file_index, function.line, parent});
    state_->function_stack.push_back(static_cast<int>(state_->functions.size()) - 1);
}

void page_writer::function_end() {
    if (!state_->function_stack.empty()) state_->function_stack.pop_back();
}

void page_writer::result(const trap_result& result) {
    const trap_node& trap = result.trap;
    if (!state_->first_trap) state_->put(",\n");
    state_->first_trap = false;
    json_writer& json = state_->value();
    json.StartArray();
    json.Int(state_->file_index);
    json.Int(state_->function_stack.empty() ? -1 : state_->function_stack.back());
    json.Int(result.rule);
    json.Int(state_code(result));
    json.Int64(trap.line);
    json.Int64(trap.row);
    text(json, result.message.plain);
    text(json, trap.comment);
    std::string related;
    if (trap.related.present) related = position_text(result.related_path, trap.related.line, trap.related.row);
    text(json, related);
    json.Int(result.mark == baseline_mark::fresh ? 1 : result.mark == baseline_mark::unchanged ? 2 : 0);
    json.EndArray();
    state_->end_value();
}

void page_writer::end() {
    state_->put("]</script>\n<script type=\"application/json\" id=\"kyv-places\">");
    state_->write_places();
    state_->put("</script>\n<script>\n");
    state_->put(PAGE_SCRIPT);
    state_->put("</script>\n</body>\n</html>\n");
}
