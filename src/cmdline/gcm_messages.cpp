// The decoder's messages: translated in the contexts "CAB" (message texts,
// product text) and "Command-line" (offending words, names, usage text), and
// written to standard error in the local 8-bit encoding.
#include <QByteArray>
#include <QCoreApplication>
#include <QRegExp>
#include <QString>
#include <cstdio>

#include "cmdline/gcmdec.h"
#include "messages/messages.h"

const char* const gcm_messages[GCM_LANGUAGES][GCM_MESSAGE_COUNT] = {{
    "Arg value too small,",
    "Arg value too large,",
    "Arg length too small,",
    "Arg length too large,",
    "Too many arguments invalid argument,",
    "List forbidden invalid argument,",
    "Unknown option,",
    "Invalid character following option,",
    "An option can't be used twice,",
    "Mandatory argument for this option,",
    "No argument for this option,",
    "List forbidden invalid option,",
    "Argument missing,",
    "Ambiguous option,",
    "Unknown value of option,",
    "Ambiguous value of option,",
    "Illegal combination of command elements,",
    "File not found",
    "Command analysis: No memory left",
    "Command analysis",
    "Internal error, bad option name",
}};

const char* const gcm_and_word[GCM_LANGUAGES] = {"and"};

namespace {

// The decoder's own product text.
const char PRODUCT_TEXT[] = "Orvanta";

QString in_cab(const char* text) { return translate("CAB", text, "", 0, nullptr); }

// "%1 %2": the product text and one message, both translated.
QString title(int number) {
    QString args[2] = {in_cab(PRODUCT_TEXT), in_cab(gcm_messages[gcm_language][number])};
    return translate("CAB", "%1 %2", "", 2, args);
}

// A word from the command line, translated in "Command-line". Untranslated
// words keep their own bytes, so that a byte that is not valid in the local
// encoding (such as a lone list separator 0xA0) is shown as the user wrote it.
QByteArray command_line_text(const char* text) {
    QString translated = QCoreApplication::translate("Command-line", text);
    if (translated == QString::fromUtf8(text)) return QByteArray(text);
    return translated.toLocal8Bit();
}

// The usage text of the current language without the lines of the hidden
// test options.
QString filtered_usage() {
    const char* usage = gcm_program ? gcm_program->usage[gcm_language] : nullptr;
    if (!usage) return QString();
    QString text = QCoreApplication::translate("Command-line", usage);
    text.replace(QRegExp("\\t\\[-XT.*\\n"), "");
    return text;
}

void write_bytes(const QByteArray& bytes) {
    std::fprintf(stderr, "%s", bytes.constData());
}

}  // namespace

void gcm_error(int number, const char* text) {
    QString usage = filtered_usage();
    QByteArray line = (title(GCM_COMMAND_ANALYSIS) + " : " +
                       in_cab(gcm_messages[gcm_language][number]))
                          .toLocal8Bit();
    if (text) line += ' ' + command_line_text(text);
    line += usage.toLocal8Bit();
    line += '\n';
    write_bytes(line);
}

void gcm_no_memory() { write_bytes(title(GCM_NO_MEMORY).toLocal8Bit()); }

void gcm_internal_error(const char* name) {
    QByteArray line = (title(GCM_COMMAND_ANALYSIS) + " : " +
                       in_cab(gcm_messages[gcm_language][GCM_BAD_OPTION_NAME]))
                          .toLocal8Bit();
    line += ' ' + command_line_text(name);
    line += '\n';
    write_bytes(line);
}
