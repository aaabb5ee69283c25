// The catalogue's message templates hold %name%, %param% and %location%
// and XML entities; the descriptions put neutral words in their place.
#include "kyvreport/rule_help.h"

#include <cctype>
#include <vector>

#include "kyvreport/rule_help_text.h"
#include "rules/rule_catalogue.h"

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// One table of the template's placeholders and entities and their words.
const std::pair<const char*, const char*> TEMPLATE_WORDS[] = {
    {"'%name%'", "'name'"}, {"%name%", "a diagnostic"}, {"the list %param%", "the configured list"},
    {"%param%", "'name'"},
    {"%location%", "another place"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"},
    {"&amp;", "&"},
};

std::string plain_template(const char* errmsg) {
    std::string text = errmsg ? errmsg : "";
    for (const auto& word : TEMPLATE_WORDS) replace_all(text, word.first, word.second);
    replace_all(text, " .", ".");
    replace_all(text, " :", ":");
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

// The first words of the first sentence, each capitalised, letters and
// digits only, without the quoted names and a leading article.
std::string readable_name(const std::string& sentence) {
    std::vector<std::string> words(1);
    bool quoted = false;
    for (char c : sentence) {
        if (c == '.') break;
        if (c == '\'') quoted = !quoted;
        if (!quoted && std::isalnum(static_cast<unsigned char>(c))) words.back() += c;
        else if (!words.back().empty()) words.emplace_back();
    }
    std::string name;
    int taken = 0;
    for (std::string& word : words) {
        if (word.empty() || (name.empty() && (word == "The" || word == "A"))) continue;
        if (++taken > 6) break;
        word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        name += word;
    }
    return name;
}

}  // namespace

const rule_help_text* rule_help_for(const std::string& id) {
    for (int i = 0; i < RULE_HELP_TEXT_COUNT; ++i)
        if (id == RULE_HELP_TEXTS[i].id) return &RULE_HELP_TEXTS[i];
    return nullptr;
}

rule_description describe_rule(const rule_row& rule, const std::string& document_uri) {
    rule_description out;
    const rule_entry* entry = rule.label.empty() ? rule_by_identifier(rule.id.c_str()) : nullptr;
    const std::string group = rule.group.empty() ? std::string("no group") : rule.group;
    if (entry) {
        out.short_text = plain_template(entry->errmsg);
        out.name = readable_name(out.short_text);
    } else {
        out.short_text = "Rule " + rule.id + " of the group " + group + ".";
        out.name = readable_name(rule.id);
    }
    if (out.name.empty()) out.name = "Rule";
    // A label hides the identifier, and with it the rule's own help.
    if (const rule_help_text* help = entry ? rule_help_for(entry->identifier) : nullptr) {
        out.name = help->name;
        out.full_text = help->full_text;
        out.help_text = help->help_text;
        out.help_markdown = help->help_markdown;
        out.help_uri = document_uri + "#" + help->anchor;
        out.precision = help->precision;
        return out;
    }
    out.full_text = out.short_text + " Group: " + group + "; level: " + level_name(rule.level) + ".";
    const std::string justify = "kyv-justify " + rule.id + " 1 : REASON";
    out.help_text = out.full_text + "\n\nTo justify a finding that is intended, write the comment \"" + justify +
                    "\" on the line before it (the 1 covers the next line); kyvld then reports it as justified, "
                    "with the reason.";
    out.help_markdown = "**" + rule.id + "**: " + out.short_text + "\n\nGroup: " + group + "; level: `" +
                        level_name(rule.level) + "`.\n\nTo justify a finding that is intended, write " +
                        "the comment `// " + justify + "` on the line before it (the 1 covers the next line); " +
                        "kyvld then reports it as justified, with the reason.";
    out.help_uri = document_uri + "#" + ANALYSER_RULES_ANCHOR;
    out.precision = "high";
    return out;
}
