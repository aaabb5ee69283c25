#include "kyvreport/message_text.h"

#include <QRegularExpression>
#include <QString>

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// SARIF reads "[text](id)" as a link: other brackets must be escaped.
std::string escape_brackets(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string position_words(const std::string& path, const related_position& where) {
    std::string out = path + " line " + std::to_string(where.line);
    if (where.row > 0) out += " row " + std::to_string(where.row);
    return out;
}

}  // namespace

std::string people_text(std::string text, const std::string& root_prefix) {
    replace_all(text, "''", "'");
    if (text.find(",,") != std::string::npos) {
        static const QRegularExpression list(QStringLiteral(",,((?:[^,\\s]+,)*[^,\\s]+),,"));
        QString words = QString::fromStdString(text);
        QRegularExpressionMatch match;
        int from = 0;
        while ((match = list.match(words, from)).hasMatch()) {
            const QString joined = match.captured(1).split(QLatin1Char(',')).join(QStringLiteral(", "));
            words.replace(match.capturedStart(0), match.capturedLength(0), joined);
            from = match.capturedStart(0) + joined.size();
        }
        text = words.toStdString();
    }
    if (!root_prefix.empty() && root_prefix != "/") replace_all(text, root_prefix, "");
    replace_all(text, " : ", ": ");
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, " .") == 0) text.erase(text.size() - 2, 1);
    return text;
}

shown_message show_message(const trap_node& trap, const std::string& related_path, const std::string& root_prefix) {
    // A configured rule may have an empty message; a result needs a text.
    if (trap.message.empty()) return {trap.rule, trap.rule};
    if (!trap.related.present || (trap.before_link.empty() && trap.after_link.empty()))
        return {people_text(trap.message, root_prefix), people_text(trap.message, root_prefix)};
    const std::string before = trap.before_link.empty() ? "" : people_text(trap.before_link + " ", root_prefix);
    const std::string after = people_text(trap.after_link, root_prefix);
    const std::string link = position_words(related_path, trap.related);
    return {before + link + after, escape_brackets(before) + "[" + escape_brackets(link) + "](1)" + escape_brackets(after)};
}
