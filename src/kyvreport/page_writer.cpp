// The page's data, in three JSON script elements: kyv-overview (summary,
// rules with their help, baseline), kyv-traps (one array per trap, in
// report order, with its snippet) and kyv-places (the files and functions
// the traps point at by index, each file with its link).
#include "kyvreport/page_writer.h"

#include <rapidjson/writer.h>

#include <string>
#include <vector>

#include "kyvreport/json_stream.h"
#include "kyvreport/page_assets.h"
#include "kyvreport/rule_help.h"
#include "kyvreport/source_links.h"
#include "kyvreport/source_snippets.h"

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
    state(std::FILE* out, const conversion_overview& overview, const page_settings& settings)
        : out(out), stream(out, true), json(stream), overview(overview), settings(settings),
          links(overview.uris, settings.source_url, settings.page), snippets(overview.uris) {}

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
    const page_settings& settings;
    source_links links;
    source_snippets snippets;
    bool first_trap = true;
    int file_index = -1;
    std::string current_file_path;  // the full path, for a second position in the same file
    std::vector<int> function_stack;
    // A file's detail is its path as people read it; a function's is empty.
    struct place {
        std::string name, detail, uri;
        int file;
        long long line;
        int parent;
        std::string link;     // with {line} still in it; "" for none
        std::string problem;  // why its source lines are not shown
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
    member(json, "pageTitle", settings.title);
    json.Key("snippets");
    json.Bool(settings.snippets);
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
        const rule_description about = describe_rule(row, overview.rules_document);
        text(json, about.name);
        text(json, about.short_text);
        text(json, about.help_text);
        text(json, about.help_uri);
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
        text(json, link_at_line(links.uri_link(old->uri, old->base_id), old->line));
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
        text(json, file.link);
        text(json, file.problem);
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

page_writer::page_writer(std::FILE* out, const conversion_overview& overview, const page_settings& settings)
    : state_(new state(out, overview, settings)) {}

page_writer::~page_writer() = default;

void page_writer::begin() {
    state_->put(PAGE_HEAD);
    state_->put(PAGE_BODY);
    state_->put("<script type=\"application/json\" id=\"kyv-overview\">");
    state_->write_overview();
    state_->put("</script>\n<script type=\"application/json\" id=\"kyv-traps\">[");
}

void page_writer::file_start(const file_node& file, const artifact_location& location) {
    state_->files.push_back({file.short_name, state_->overview.uris.display_path(file.full_path), location.uri, -1,
                             0, -1, state_->links.file_link(file.full_path), ""});
    state_->file_index = static_cast<int>(state_->files.size()) - 1;
    state_->current_file_path = file.full_path;
    if (state_->settings.snippets) state_->files.back().problem = state_->snippets.start_file(file.full_path);
    state_->function_stack.clear();
}

void page_writer::file_end() {
    if (state_->settings.snippets && state_->file_index >= 0 && state_->files.back().problem.empty())
        state_->files.back().problem = state_->snippets.problem();
    state_->file_index = -1;
    state_->function_stack.clear();
}

void page_writer::function_start(const function_node& function) {
    const int parent = state_->function_stack.empty() ? -1 : state_->function_stack.back();
    state_->functions.push_back({function.name, "", "", state_->file_index, function.line, parent, "", ""});
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
    json.StartArray();
    for (const std::string& name : trap.names) text(json, name);
    json.EndArray();
    std::string related_link;
    if (trap.related.present) {
        const std::string& full = trap.related.full_path.empty() ? state_->current_file_path : trap.related.full_path;
        related_link = link_at_line(state_->links.file_link(full), trap.related.line);
    }
    text(json, related_link);
    const snippet lines = state_->settings.snippets && state_->file_index >= 0 ? state_->snippets.around(trap.line)
                                                                                : snippet();
    if (lines.lines.empty()) {
        json.Int(0);
    } else {
        json.StartArray();
        json.Int64(lines.first_line);
        for (const std::string& line : lines.lines) text(json, line);
        json.EndArray();
    }
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
