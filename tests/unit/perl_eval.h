// Loads a generated Perl file the way scripts do (with do) and runs a piece
// of Perl code after it, for tests of the files written for Perl.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

// A file name of this process in the temporary directory: test runs of two
// builds at once do not overwrite each other's files.
inline std::string scratch_path(const std::string& stem) {
    return testing::TempDir() + stem + "." + std::to_string(getpid());
}

// True when perl loaded the file and ran the code without error; output
// receives what the code printed, byte for byte.
inline bool perl_eval(const std::string& file, const std::string& code, std::string* output) {
    // Beside the file, so that tests running in parallel do not share it.
    std::string script_path = file + ".reader.pl";
    std::FILE* script = std::fopen(script_path.c_str(), "wb");
    if (!script) return false;
    std::fprintf(script,
                 "my $file = shift;\n"
                 "my $loaded = do $file;\n"
                 "die \"cannot load $file: \", ($@ || $!), \"\\n\" unless $loaded;\n"
                 "binmode STDOUT;\n"
                 "%s\n",
                 code.c_str());
    std::fclose(script);
    std::string command = "perl '" + script_path + "' '" + file + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    output->clear();
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, got);
    int status = pclose(pipe);
    std::remove(script_path.c_str());
    return status == 0;
}
