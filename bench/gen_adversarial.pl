#!/usr/bin/env perl
# Writes deterministic corpora of shapes whose cost must stay linear in their
# size although a plain implementation makes it quadratic or worse:
#   token <folder> <bytes>    four units, each holding one token of <bytes>
#                             characters: an attribute value, an element name,
#                             text between elements, a comment;
#   externs <folder> <count>  one unit whose header declares <count> extern
#                             objects that nothing defines;
#   static <folder> <units>   <units> units that each include one system header
#                             defining a static function (a parameter, then a
#                             reference to it), and call it from 20 functions.
#
# usage: gen_adversarial.pl token|externs|static <output folder> <size>
use strict;
use warnings;
use FindBin;
use lib $FindBin::Bin;
use UniqueNames qw(unique_name);

my ($shape, $out, $size) = @ARGV;
my %writers = (token => \&write_tokens, externs => \&write_externs, static => \&write_static_units);
die "usage: gen_adversarial.pl token|externs|static <output folder> <size>\n"
    unless $shape && $writers{$shape} && $out && $size && $size =~ /^\d+$/;
die "gen_adversarial.pl: a token needs at least 64 characters\n" if $shape eq 'token' && $size < 64;
my $date = 1764950400;

mkdir $out unless -d $out;
$writers{$shape}->($size);

sub position { my ($filenum, $line, $row) = @_; return "<position filenum=\"$filenum\" line=\"$line\" row=\"$row\"/>\n" }

sub open_unit {  # open_unit(file stem, source path): the file handle, prologue written
    my ($stem, $source) = @_;
    my $file = "$out/$stem.xob";
    open(my $fh, '>', $file) or die "cannot write $file: $!\n";
    (my $short = $source) =~ s{.*/}{};
    print $fh "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    print $fh "<xobj filename=\"$stem.xob\" date=\"$date\" command=\"kyvcc -I /work/project/include $short\">\n";
    print $fh "<sourcefile filename=\"$short\" fullname=\"$source\" date=\"$date\" cle=\"$stem\" filenum=\"1\">\n";
    return $fh;
}

sub close_unit { my ($fh) = @_; print $fh "</sourcefile>\n</xobj>\n"; close $fh }

# A text of exactly <length> characters made of <pattern> repeated.
sub repeated { my ($pattern, $length) = @_; return substr($pattern x (int($length / length($pattern)) + 1), 0, $length) }

# The long token sits in a small function, where the analyser would write it:
# a signature expanded from macros, an annotation element, stray text, a
# comment block; each is one token of the lexer, none holds a line end.
sub write_tokens {
    my ($length) = @_;
    my %long = (
        value => sub { "<function name=\"long_value\" fulldef=\"int long_value("
                . repeated('int field, ', $length - 23) . "int end)\" storageclass=\"\">\n" },
        name => sub { "<" . repeated('annotation', $length) . "/>\n" },
        text => sub { repeated('stray_text;', $length) . "\n" },
        comment => sub { "<!--" . repeated(' generated comment', $length) . "-->\n" },
    );
    for my $kind (sort keys %long) {
        my $fh = open_unit("long_$kind", "/work/project/src/long_$kind.c");
        my $open = $kind eq 'value' ? $long{value}->()
            : "<function name=\"long_$kind\" fulldef=\"int long_$kind(int count)\" storageclass=\"\">\n";
        print $fh $open . position(1, 3, 5);
        print $fh "<define name=\"count\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n"
            . position(1, 3, 20) . "</define>\n";
        print $fh $long{$kind}->() unless $kind eq 'value';
        print $fh "<reference mode=\"read\">\n<object name=\"count\" mode=\"read\">\n" . position(1, 3, 20)
            . "</object>\n" . position(1, 5, 12) . "</reference>\n";
        print $fh position(1, 6, 1) . "</function>\n";
        close_unit($fh);
    }
}

# Every declaration lacks a definition, so each raises the no-definition rule.
sub write_externs {
    my ($count) = @_;
    my $fh = open_unit('externs', '/work/project/src/externs.c');
    print $fh "<sourcefile filename=\"externs.h\" fullname=\"/work/project/include/externs.h\" date=\"$date\" cle=\"xh\" filenum=\"2\">\n";
    for my $i (0 .. $count - 1) {
        print $fh "<declare name=\"" . unique_name('ext', $i) . "\" level=\"0\" storageclass=\"extern\">\n"
            . position(2, 3 + $i, 12) . "</declare>\n";
    }
    print $fh "</sourcefile>\n";
    print $fh "<function name=\"main\" fulldef=\"int main(void)\" storageclass=\"\">\n" . position(1, 4, 5);
    for my $r (0 .. 9) {
        my $i = int($r * $count / 10);
        print $fh "<reference mode=\"read\">\n<object name=\"" . unique_name('ext', $i) . "\" mode=\"read\">\n"
            . position(2, 3 + $i, 12) . "</object>\n" . position(1, 6 + $r, 12) . "</reference>\n";
    }
    print $fh position(1, 17, 1) . "</function>\n";
    close_unit($fh);
}

# The header's function is read again in every unit and merged into one.
# Each unit's own functions call it and form one call chain; their names
# ascend within the unit, the cheap order for name tables, so the cost
# measured is that of the shared function.
sub write_static_units {
    my ($units) = @_;
    my $functions = 20;
    my $header = "<sourcefile filename=\"inline_math.h\" fullname=\"/usr/include/inline_math.h\" date=\"$date\" cle=\"sys\" sysinclude=\"1\" filenum=\"2\">\n"
        . "<function name=\"inline_abs\" fulldef=\"static int inline_abs(int value)\" storageclass=\"static\">\n"
        . position(2, 10, 19)
        . "<define name=\"value\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n" . position(2, 10, 34) . "</define>\n"
        . "<reference mode=\"read\">\n<object name=\"value\" mode=\"read\">\n" . position(2, 10, 34)
        . "</object>\n" . position(2, 12, 12) . "</reference>\n"
        . position(2, 13, 1) . "</function>\n</sourcefile>\n";
    for my $u (0 .. $units - 1) {
        my $stem = sprintf("static%05d", $u);
        my $fh = open_unit($stem, "/work/project/src/$stem.c");
        print $fh $header;
        my $line = 4;
        for my $k (0 .. $functions - 1) {
            my $run = unique_name('run', $u, $k);
            my $arg = unique_name('arg', $u, $k);
            my $start = $line;
            print $fh "<function name=\"$run\" fulldef=\"int $run(int $arg)\" storageclass=\"\">\n" . position(1, $start, 5)
                . "<define name=\"$arg\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n" . position(1, $start, 20) . "</define>\n"
                . "<reference mode=\"read\">\n<object name=\"$arg\" mode=\"read\">\n" . position(1, $start, 20)
                . "</object>\n" . position(1, $start + 2, 27) . "</reference>\n"
                . "<reference mode=\"call\">\n<object name=\"inline_abs\" mode=\"call\">\n" . position(2, 10, 19)
                . "</object>\n" . position(1, $start + 2, 16) . "</reference>\n";
            if ($k) {
                my $previous = unique_name('run', $u, $k - 1);
                print $fh "<reference mode=\"call\">\n<object name=\"$previous\" mode=\"call\">\n" . position(1, $start - 5, 5)
                    . "</object>\n" . position(1, $start + 2, 12) . "</reference>\n";
            }
            print $fh position(1, $start + 3, 1) . "</function>\n";
            $line += 5;
        }
        close_unit($fh);
    }
}
