#include "messages/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

QString* product = nullptr;
QString* executable = nullptr;
QString* third_name = nullptr;

QCoreApplication* application = nullptr;
int application_argc = 0;  // QCoreApplication keeps a reference to it
// The toolkit removes the arguments it takes for itself from the vector it is
// given; it gets a copy, so the program's own vector stays whole for decoding.
char** application_argv = nullptr;
QTranslator** translators = nullptr;

const char VERSION_TEXT[] = "8.0.1.2.343.015";

QString& stored(QString*& slot, const char* initial) {
    if (!slot) slot = new QString(QString::fromLatin1(initial));
    return *slot;
}

// Fills every placeholder in one pass, so a placeholder inside an argument is
// never filled by a later argument.
QString fill(const QString& text, int count, const QString* args) {
    switch (count) {
        case 1: return text.arg(args[0]);
        case 2: return text.arg(args[0], args[1]);
        case 3: return text.arg(args[0], args[1], args[2]);
        case 4: return text.arg(args[0], args[1], args[2], args[3]);
        default: return text;
    }
}

}  // namespace

const QString& product_name() { return stored(product, "Orvanta"); }
const QString& executable_name() { return stored(executable, "<unnamed binary>"); }

void set_names(const char* product_text, const char* executable_text, const char* third) {
    stored(product, "Orvanta") = QString::fromLocal8Bit(product_text);
    stored(executable, "<unnamed binary>") = QString::fromLocal8Bit(executable_text);
    stored(third_name, "") = QString::fromLocal8Bit(third);
}

QString catalogue_directory() {
    QString root = QString::fromLocal8Bit(qgetenv("ORVANTADIR"));
    if (root.isEmpty()) {
        std::fputs("Fatal Error: please setup ORVANTADIR environment variable.\n", stderr);
        std::exit(1);
    }
    QString directory = root + QDir::separator() + "lib" + QDir::separator() + "locale";
    if (!QFileInfo(directory).isDir()) {
        std::fprintf(stderr, "Warning: directory doesn't exist '%s'\n",
                     directory.toLocal8Bit().constData());
    }
    return directory;
}

void init_messages(int argc, char** argv, int count, ...) {
    if (!application) {
        application_argc = argc;
        application_argv = new char*[argc + 1];
        for (int i = 0; i < argc; ++i) application_argv[i] = argv[i];
        application_argv[argc] = nullptr;
        application = new QCoreApplication(application_argc, application_argv);
    }
    QString directory = catalogue_directory();
    if (!translators) translators = new QTranslator*[count > 0 ? count : 1]();
    QString locale = QLocale::system().name();
    std::va_list prefixes;
    va_start(prefixes, count);
    for (int i = 0; i < count; ++i) {
        const char* prefix = va_arg(prefixes, const char*);
        auto* translator = new QTranslator;
        translators[i] = translator;
        if (translator->load(QString::fromLatin1(prefix) + locale, directory))
            QCoreApplication::installTranslator(translator);
    }
    va_end(prefixes);
}

int highest_placeholder(const char* tmpl) {
    int highest = 0;
    for (const char* p = tmpl; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        int number = 0;
        while (p[1] >= '0' && p[1] <= '9') {
            if (number < 1000) number = number * 10 + (p[1] - '0');
            ++p;
        }
        if (number > highest) highest = number;
    }
    return highest;
}

QString translate(const char* context, const char* tmpl, const char* comment, int count,
                  const QString* args) {
    const char* disambiguation = comment && *comment ? comment : nullptr;
    QString text = QCoreApplication::translate(context, tmpl, disambiguation);
    return fill(text, count, args);
}

void write_local(std::FILE* stream, const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

void fatal_with(const char* context, const char* tmpl, const char* comment, int given,
                const char* const* args) {
    int wanted = highest_placeholder(tmpl);
    if (wanted > 4) wanted = 4;
    QString filled[4];
    for (int i = 0; i < wanted && i < given; ++i) filled[i] = QString(args[i] ? args[i] : "");
    QString message = translate(context, tmpl, comment, wanted, filled);
    QString line = QCoreApplication::translate(
        "Display Message", "%1 %2 - FATAL ERROR: %3\n",
        "Used for fatal error message\n%1: product name\n%2: executable name\n%3: message to display");
    write_local(stderr, line.arg(product_name(), executable_name(), message));
    std::exit(7);
}

void show_banner() {
    QString code_review = QCoreApplication::translate("kyvcc", "Code review");
    QString notice = QCoreApplication::translate("kyvcc", "Copyright (C) 2026 the Orvanta developers.");
    QString rights = QCoreApplication::translate("kyvcc", "All rights reserved.");
    QString banner = QCoreApplication::translate("kyvcc", "\n%1 %2 %3\n%4 %5\n");
    banner = banner.arg(product_name(), code_review, QString::fromLatin1(VERSION_TEXT), notice,
                        rights);
    QByteArray bytes = banner.toLatin1();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}
