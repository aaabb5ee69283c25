// Translated messages, the identification banner and the fatal-error line.
#pragma once
#include <QString>

// Stores the product and executable names used by the banner and fatal lines.
void set_names(const char* product, const char* executable, const char* third);

// Creates the console application object (once), finds the catalogue
// directory and installs one translator per prefix for the process locale.
void init_messages(int argc, char** argv, int count, ...);

// $ORVANTADIR/lib/locale; ends the process with status 1 when the variable
// is unset or empty.
QString catalogue_directory();

// Translates (context, template, comment) and fills %1..%count from args.
QString translate(const char* context, const char* tmpl, const char* comment, int count,
                  const QString* args);

// Highest placeholder number in a template; "%%" escapes a percent sign.
int highest_placeholder(const char* tmpl);

// Prints the translated fatal line on standard error and exits with status 7.
// Takes as many of the given arguments as the template's highest placeholder.
[[noreturn]] void fatal_with(const char* context, const char* tmpl, const char* comment,
                             int given, const char* const* args);

template <class... Args>
[[noreturn]] void fatal(const char* context, const char* tmpl, const char* comment,
                        Args... args) {
    const char* list[] = {static_cast<const char*>(args)..., nullptr};
    fatal_with(context, tmpl, comment, static_cast<int>(sizeof...(args)), list);
}

void show_banner();

// Writes a text in the local 8-bit encoding to a stdio stream.
void write_local(std::FILE* stream, const QString& text);

const QString& product_name();
const QString& executable_name();
