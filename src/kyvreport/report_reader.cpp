// The report reader: recognises the report's sections by their element names
// and attributes, and takes texts as the XML parser decodes them.
#include "kyvreport/report_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

const QString NODE = QStringLiteral("XROD:NODE");
const QString TEXT = QStringLiteral("TEXT");
const QString LINK = QStringLiteral("LINK");

long long number_of(const QString& text) {
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

std::string utf8(const QString& text) { return text.toStdString(); }

// "path line N": the text of a location link (the path may be empty).
bool split_link_text(const QString& text, QString& path, long long& line) {
    static const QRegularExpression pattern(QStringLiteral("^(.*) line (-?\\d+)$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return false;
    path = match.captured(1);
    line = match.captured(2).toLongLong();
    return true;
}

// The names of a message: each run of text between apostrophes (the report
// quotes a name twice, a parameter once).
void collect_names(const QString& text, std::vector<std::string>& names) {
    static const QRegularExpression quoted(QStringLiteral("'+([^']+)'+"));
    auto it = quoted.globalMatch(text);
    while (it.hasNext()) names.push_back(utf8(it.next().captured(1)));
}

bool state_of_type(const QString& type, trap_state& state, QString& group) {
    static const struct {
        const char* prefix;
        trap_state state;
    } states[] = {{"Error", trap_state::error},
                  {"Warning", trap_state::warning},
                  {"Justified", trap_state::justified},
                  {"Info", trap_state::info}};
    for (const auto& s : states) {
        const QString prefix = QString::fromLatin1(s.prefix) + QLatin1Char(' ');
        if (type.startsWith(prefix)) {
            state = s.state;
            group = type.mid(prefix.size());
            return true;
        }
    }
    return false;
}

trap_state state_of_icon(const QString& icon) {
    if (icon == QLatin1String("pvi_error.xpm")) return trap_state::error;
    if (icon == QLatin1String("pvi_warning.xpm")) return trap_state::warning;
    return trap_state::info;
}

class report_parser {
public:
    report_parser(QIODevice& device, report_events& events) : xml_(&device), events_(events) {
        // The report uses a prefix ("XROD:") that it never declares.
        xml_.setNamespaceProcessing(false);
    }

    std::string parse() {
        if (!expect_root()) return problem();
        while (xml_.readNextStartElement()) {
            if (xml_.name() == QLatin1String("SECTION") &&
                xml_.attributes().value("TAG") == QLatin1String("ccR1")) {
                read_summary();
            } else if (xml_.qualifiedName() == NODE) {
                read_top_node();
            } else {
                xml_.skipCurrentElement();
            }
            if (xml_.hasError()) return problem();
        }
        if (xml_.hasError()) return problem();
        if (!seen_summary_) return "not a review report: it has no summary section";
        // The closing APIDOC and XROD, then the end of the document.
        while (!xml_.atEnd()) xml_.readNext();
        if (xml_.hasError()) return problem();
        return "";
    }

private:
    bool expect_root() {
        const char* const chain[] = {"XROD", "APIDOC", "DOCUMENT"};
        for (const char* expected : chain) {
            if (!xml_.readNextStartElement()) {
                if (!xml_.hasError()) not_report_ = std::string("it has no <") + expected + "> element";
                return false;
            }
            if (xml_.name() != QLatin1String(expected)) {
                not_report_ = "not a review report: found <" + utf8(xml_.name().toString()) +
                              "> where <" + expected + "> should be";
                return false;
            }
            if (xml_.name() == QLatin1String("DOCUMENT"))
                summary_.title = utf8(xml_.attributes().value("TITLE").toString());
        }
        return true;
    }

    std::string problem() const {
        if (!not_report_.empty()) {
            return not_report_.rfind("not a review report", 0) == 0 ? not_report_
                                                                    : "not a review report: " + not_report_;
        }
        const std::string where = "line " + std::to_string(xml_.lineNumber()) + ", column " +
                                  std::to_string(xml_.columnNumber());
        if (xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            return "the report ends early, at " + where + ": it is truncated or incomplete";
        // The parser decodes ahead of the position it reports, so the
        // position of an encoding error says nothing.
        if (xml_.errorString() == QLatin1String("Encountered incorrectly encoded content."))
            return "not well-formed XML: its text is not valid in its declared encoding";
        return "not well-formed XML at " + where + ": " + utf8(xml_.errorString());
    }

    // The ccR1 section: rows of a label cell and a value cell.
    void read_summary() {
        seen_summary_ = true;
        while (!xml_.atEnd()) {
            xml_.readNext();
            if (xml_.isEndElement() && xml_.name() == QLatin1String("SECTION")) break;
            if (!xml_.isStartElement() || xml_.name() != QLatin1String("ROW")) continue;
            std::vector<QString> cells;
            while (xml_.readNextStartElement()) {
                if (xml_.name() == QLatin1String("CELL_TEXT"))
                    cells.push_back(element_text());
                else
                    xml_.skipCurrentElement();
            }
            if (cells.size() == 2) summary_row(cells[0], cells[1]);
        }
        if (!xml_.hasError()) events_.on_summary(summary_);
    }

    void summary_row(const QString& label, const QString& value) {
        if (label == QLatin1String("Configuration file")) summary_.configuration = utf8(value);
        else if (label == QLatin1String("Report file")) {}
        else if (label == QLatin1String("Generation time")) summary_.generated = utf8(value);
        else if (label == QLatin1String("Analyzed files")) summary_.analysed_files = number_of(value);
        else if (label == QLatin1String("Files with errors or warnings")) summary_.files_with_traps = number_of(value);
        else if (label == QLatin1String("Number of errors")) summary_.errors = number_of(value);
        else if (label == QLatin1String("Number of warnings")) summary_.warnings = number_of(value);
        else summary_.extra_rows.emplace_back(utf8(label.trimmed()), utf8(value.trimmed()));
    }

    void read_top_node() {
        const QXmlStreamAttributes attributes = xml_.attributes();
        const QStringRef name = attributes.value("name");
        if (attributes.value("icone") == QLatin1String("referencefile.xpm")) {
            events_.on_file_start({utf8(name.toString()), utf8(attributes.value("base").toString())});
            read_children();
            if (!xml_.hasError()) events_.on_file_end();
        } else if (name == QLatin1String("desactivated rules")) {
            read_rule_rows(false);
        } else if (name == QLatin1String("rules statistics")) {
            read_rule_rows(true);
        } else {
            xml_.skipCurrentElement();
        }
    }

    // A file node's contents: function nodes nested to any depth, traps,
    // through any SECTION. One loop with a stack of the open function nodes,
    // so that the depth of the report costs memory, never the call stack.
    void read_children() {
        struct open_function {
            function_node node;
            bool started;
        };
        std::vector<open_function> open;
        while (!xml_.atEnd()) {
            xml_.readNext();
            if (xml_.isEndElement()) {
                if (xml_.qualifiedName() != NODE) continue;
                if (open.empty()) return;  // the file node's end
                if (!open.back().started) events_.on_function_start(open.back().node);
                events_.on_function_end();
                open.pop_back();
                continue;
            }
            if (!xml_.isStartElement()) continue;
            if (!open.empty()) {
                if (xml_.name() == QLatin1String("TITLE")) {
                    open.back().node.line = title_link_line();
                    continue;
                }
                if (!open.back().started) {
                    events_.on_function_start(open.back().node);
                    open.back().started = true;
                }
            }
            if (xml_.qualifiedName() == NODE) {
                const QXmlStreamAttributes attributes = xml_.attributes();
                if (attributes.value("icone") == QLatin1String("method.xpm"))
                    open.push_back({{utf8(attributes.value("name").toString()), 0}, false});
                else
                    read_trap_node(attributes);
            } else if (xml_.name() != QLatin1String("SECTION")) {
                xml_.skipCurrentElement();
            }
        }
    }

    void read_trap_node(const QXmlStreamAttributes& attributes) {
        trap_node trap;
        QString group;
        if (!state_of_type(attributes.value("type").toString(), trap.state, group)) {
            xml_.skipCurrentElement();
            return;
        }
        trap.rule = utf8(attributes.value("name").toString());
        trap.group = utf8(group);
        if (events_.wants_trap_texts())
            read_trap(trap);
        else
            xml_.skipCurrentElement();
        if (!xml_.hasError()) events_.on_trap(trap);
    }

    // A function's TITLE holds <LINK TARGET="path line N">.
    long long title_link_line() {
        long long line = 0;
        while (xml_.readNextStartElement()) {
            if (xml_.name() == LINK) {
                QString path;
                split_link_text(xml_.attributes().value("TARGET").toString(), path, line);
            }
            xml_.skipCurrentElement();
        }
        return line;
    }

    // TITLE ("line N row R: rule "), then the message's TEXT and LINK
    // pieces, then the justification in a PARAGRAPH.
    void read_trap(trap_node& trap) {
        QString message;
        bool after_link = false;
        int link_start = -1, link_end = -1;  // the second position's text in message
        while (xml_.readNextStartElement()) {
            const QStringRef element = xml_.name();
            if (element == QLatin1String("TITLE")) {
                read_trap_position(trap, inner_texts());
            } else if (element == TEXT) {
                QString text = element_text();
                if (after_link && link_start >= 0 && link_end < 0)
                    link_end = message.size() + take_related_row(trap, text);
                collect_names(text, trap.names);
                message += text;
                after_link = false;
            } else if (element == LINK) {
                const QString text = inner_texts();
                if (link_start >= 0 && link_end < 0) link_end = message.size();
                if (take_related(trap, text)) link_start = message.size();
                message += text;
                after_link = true;
            } else if (element == QLatin1String("PARAGRAPH")) {
                trap.comment = utf8(inner_texts());
            } else {
                xml_.skipCurrentElement();
            }
        }
        if (link_start >= 0 && link_end < 0) link_end = message.size();
        const QString prefix = state_prefix(trap.state);
        int removed = 0;
        if (message.startsWith(prefix)) {
            message.remove(0, prefix.size());
            removed = prefix.size();
        }
        // The prefix's names were collected with the rest; it holds none.
        trap.message = utf8(message.trimmed());
        if (link_start >= removed) {
            trap.before_link = utf8(message.left(link_start - removed).trimmed());
            trap.after_link = utf8(message.mid(link_end - removed));
            while (!trap.after_link.empty() && std::isspace(static_cast<unsigned char>(trap.after_link.back())))
                trap.after_link.pop_back();
        }
    }

    // The texts of the TEXT elements inside the current element, without
    // the line feeds the report puts between elements.
    QString inner_texts() { return texts_below(false); }

    // All the text of the current element, its children's included.
    QString element_text() { return texts_below(true); }

    // Reads to the end of the current element, keeping the characters that
    // stand inside a TEXT element (or all of them with all_text). Counts
    // levels where readElementText recurses, so that no nesting depth can
    // exhaust the stack.
    QString texts_below(bool all_text) {
        QString text;
        long long depth = 1;
        long long text_depth = all_text ? 1 : 0;  // depth of the outermost open TEXT, 0 for none
        while (depth > 0 && !xml_.atEnd()) {
            switch (xml_.readNext()) {
                case QXmlStreamReader::StartElement:
                    ++depth;
                    if (text_depth == 0 && xml_.name() == TEXT) text_depth = depth;
                    break;
                case QXmlStreamReader::EndElement:
                    if (depth == text_depth && !all_text) text_depth = 0;
                    --depth;
                    break;
                case QXmlStreamReader::Characters:
                case QXmlStreamReader::EntityReference:
                    if (text_depth > 0) text += xml_.text();
                    break;
                default: break;
            }
        }
        return text;
    }

    static QString state_prefix(trap_state state) {
        switch (state) {
            case trap_state::error: return QStringLiteral("Error: ");
            case trap_state::warning: return QStringLiteral("Warning: ");
            case trap_state::justified: return QStringLiteral("Justified: ");
            case trap_state::info: return QStringLiteral("Info: ");
        }
        return QString();
    }

    static void read_trap_position(trap_node& trap, const QString& title) {
        static const QRegularExpression pattern(QStringLiteral("^\\s*line (-?\\d+)(?: row (-?\\d+))?:"));
        const QRegularExpressionMatch match = pattern.match(title);
        if (!match.hasMatch()) return;
        trap.line = match.captured(1).toLongLong();
        if (match.capturedLength(2) > 0) trap.row = match.captured(2).toLongLong();
    }

    // "? line 0" stands for a trap without a second position.
    // Returns whether the link gave the second position.
    bool take_related(trap_node& trap, const QString& text) {
        if (trap.related.present) return false;
        QString path;
        long long line = 0;
        if (!split_link_text(text, path, line)) return false;
        if (path == QLatin1String("?") || line <= 0) return false;
        trap.related.present = true;
        trap.related.full_path = utf8(path);
        trap.related.line = line;
        trap.related.row = 0;
        return true;
    }

    // The text after the link may start with the column; returns how many
    // of its characters state it.
    static int take_related_row(trap_node& trap, const QString& text) {
        static const QRegularExpression pattern(QStringLiteral("^ row (-?\\d+)(?= )"));
        const QRegularExpressionMatch match = pattern.match(text);
        if (!match.hasMatch()) return 0;
        trap.related.row = match.captured(1).toLongLong();
        return match.capturedLength(0);
    }

    // Deactivated rules: rows of name and message; statistics: rows of a
    // count, a name and the icon of the rule's severity.
    void read_rule_rows(bool statistics) {
        while (!xml_.atEnd()) {
            xml_.readNext();
            if (xml_.isEndElement() && xml_.qualifiedName() == NODE) return;
            if (!xml_.isStartElement() || xml_.name() != QLatin1String("ROW")) continue;
            if (xml_.attributes().value("STYLE") != QLatin1String("Array")) continue;
            QString rule, icon;
            int depth = 1;
            while (depth > 0 && !xml_.atEnd()) {
                xml_.readNext();
                if (xml_.isEndElement()) {
                    --depth;
                } else if (xml_.isStartElement()) {
                    if (xml_.name() == QLatin1String("CELL_TEXT")) {
                        const QString text = element_text();
                        if (rule.isEmpty()) rule = text.trimmed();
                    } else if (xml_.name() == QLatin1String("IMAGE")) {
                        icon = xml_.attributes().value("NAME").toString();
                        ++depth;
                    } else {
                        ++depth;
                    }
                }
            }
            if (xml_.hasError() || rule.isEmpty()) continue;
            if (statistics) events_.on_rule_statistic({utf8(rule), state_of_icon(icon)});
            else events_.on_deactivated_rule(utf8(rule));
        }
    }

    QXmlStreamReader xml_;
    report_events& events_;
    report_summary summary_;
    bool seen_summary_ = false;
    std::string not_report_;
};

}  // namespace

std::string read_report(const std::string& path, report_events& events) {
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (info.isDir()) return "cannot read it: it is a directory";
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return "cannot read it: " + utf8(file.errorString());
    if (info.isFile() && file.size() == 0) return "not a review report: the file is empty";
    report_parser parser(file, events);
    return parser.parse();
}
