#include "report/rule_sections.h"

#include "report/output_text.h"
#include "report/report_tables.h"
#include "report/report_writer.h"
#include "report/xml_text.h"

int deactivated_open = 0;
int statistics_open = 0;
keyed_tree rule_statistics;

namespace {

const char DEACTIVATED_NODE[] =
    "<XROD:NODE name=\"desactivated rules\" type=\"desactivated rules\" icone=\"pvi_info.xpm\">\n"
    "<SECTION TAG=\"ccR2\">\n"
    "<TEXT> </TEXT>\n";

const char STATISTICS_NODE[] =
    "<XROD:NODE name=\"rules statistics\" type=\"rules statistics\" icone=\"pvi_info.xpm\">\n"
    "<SECTION TAG=\"ccR3\">\n"
    "<TEXT> </TEXT>\n";

const char CENTERED_TITLE_END[] = "</PARAGRAPH>\n</CELL>\n</ROW>\n";

const char SECTION_END[] = "</TABLE>\n<TEXT> </TEXT>\n</SECTION>\n</XROD:NODE>\n";

void text(const char* value) { write_xml(report_stream, value, xml_place::element_text); }

static_assert(alignof(rule_statistic) <= TREE_PAYLOAD_ALIGN, "rule statistics in a keyed tree");

// Never equal: a new entry goes after the existing ones with more hits and
// before all others, so equal hits come out newest first.
int compare_hits(const tree_item* item, const void* key) {
    const auto* existing = static_cast<const rule_statistic*>(tree_payload(item));
    const auto* added = static_cast<const rule_statistic*>(key);
    return existing->hits > added->hits ? 1 : -1;
}

void write_one_statistic(tree_item* item, void*) {
    const auto* entry = static_cast<const rule_statistic*>(tree_payload(item));
    if (entry->hits != 0)
        write_rule_statistic(entry->hits, entry->severity, entry->name, entry->errmsg);
}

}  // namespace

void write_deactivated_rule(const char* name, const char* errmsg) {
    if (!report_stream) return;
    std::FILE* out = report_stream;
    if (!deactivated_open) {
        put_text(DEACTIVATED_NODE, out);
        put_text("<TABLE WIDTH=\"20,80\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
                   "<CELL COLSPAN=\"1\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                   "<TEXT >Desactivated rules</TEXT>\n", out);
        put_text(CENTERED_TITLE_END, out);
        deactivated_open = 1;
    }
    put_text("<ROW STYLE=\"Array\">\n<CELL_TEXT STYLE=\"Array\" >", out);
    text(name);
    put_text("</CELL_TEXT>\n<CELL_TEXT STYLE=\"Array\" >", out);
    text(errmsg);
    put_text("</CELL_TEXT>\n</ROW>\n", out);
}

void close_deactivated_rules() {
    if (!report_stream) return;
    std::FILE* out = report_stream;
    if (!deactivated_open) {
        put_text(DEACTIVATED_NODE, out);
        put_text("<TABLE BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
                   "<CELL>\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                   "<TEXT >All rules are active</TEXT>\n", out);
        put_text(CENTERED_TITLE_END, out);
    }
    put_text(SECTION_END, out);
    deactivated_open = 0;
}

void add_rule_statistic(const rule_statistic& entry) {
    tree_item* item = tree_insert(&rule_statistics, &entry, sizeof entry, compare_hits);
    *static_cast<rule_statistic*>(tree_payload(item)) = entry;
}

void write_rule_statistic(int hits, int severity, const char* name, const char* errmsg) {
    if (!report_stream) return;
    std::FILE* out = report_stream;
    if (!statistics_open) {
        put_text(STATISTICS_NODE, out);
        put_text("<TABLE WIDTH=\"7,13,80\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
                   "<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                   "<TEXT >Rules statistics</TEXT>\n", out);
        put_text(CENTERED_TITLE_END, out);
        put_text("<ROW STYLE=\"Array Title\">\n"
                   "<CELL><PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Occurences</TEXT>\n"
                   "</PARAGRAPH></CELL>\n"
                   "<CELL><PARAGRAPH ALIGN=\"CENTER\">\n<TEXT >Rule ID</TEXT>\n"
                   "</PARAGRAPH></CELL>\n"
                   "<CELL_TEXT >  Description</CELL_TEXT>\n</ROW>\n", out);
        statistics_open = 1;
    }
    put_text("<ROW STYLE=\"Array\">\n<CELL><PARAGRAPH ALIGN=\"RIGHT\">\n", out);
    std::fprintf(out, "<TEXT  >%d   </TEXT>\n</PARAGRAPH></CELL>\n<CELL_TEXT  > ", hits);
    text(name);
    std::fprintf(out, "</CELL_TEXT>\n<CELL>\n<IMAGE NAME=\"%s\" />\n<TEXT > ",
                 display_of(severity).icon);
    text(errmsg);
    put_text("</TEXT>\n</CELL>\n</ROW>\n", out);
}

void close_rule_statistics() {
    if (!report_stream) return;
    std::FILE* out = report_stream;
    if (!statistics_open) {
        put_text(STATISTICS_NODE, out);
        put_text("<TABLE WIDTH=\"10,15,75\" BORDER=\"1\">\n<ROW STYLE=\"Array Title\">\n"
                   "<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                   "<TEXT >Rules statistics</TEXT>\n", out);
        put_text(CENTERED_TITLE_END, out);
        put_text("<ROW STYLE=\"Array Title\">\n<CELL COLSPAN=\"2\">\n<PARAGRAPH ALIGN=\"CENTER\">\n"
                   "<TEXT >No occurences of any rules</TEXT>\n", out);
        put_text(CENTERED_TITLE_END, out);
    }
    put_text(SECTION_END, out);
    statistics_open = 0;
}

void write_rule_statistics() {
    tree_walk(rule_statistics.first, nullptr, write_one_statistic);
    close_rule_statistics();
}
