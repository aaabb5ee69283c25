#!/usr/bin/env perl
# Writes a deterministic corpus of many small elements whose names never
# repeat: each unit declares its functions and globals in a header of its own
# and defines them, each function with one parameter and one local, a read of
# the parameter, a write of a global and a call to the previous function.
# Every name is new, so the name table and the similarity tables grow with
# every element and few traps are raised (only the head of each call chain
# is never referenced). A name puts its role before its unit, as read_config
# and read_header do, so each unit adds one name next to the same role of
# every earlier unit instead of a run of names at one end of the key order.
#
# With one function and one global per unit it makes many tiny files, the
# shape that shows what the reading threads cost when they wait.
#
# usage: gen_unique.pl <output folder> <units> [functions per unit] [globals per unit]
use strict;
use warnings;
use FindBin;
use lib $FindBin::Bin;
use UniqueNames qw(unique_name);

my ($out, $units, $functions, $globals) = @ARGV;
die "usage: gen_unique.pl <output folder> <units> [functions per unit] [globals per unit]\n" unless $out && $units;
$functions //= 90;
$globals //= 64;
my $chain = 8;  # functions per call chain
my $date = 1764950400;

mkdir $out unless -d $out;

sub function_name { my ($prefix, $u, $k) = @_; return unique_name($prefix, $k, $u) }
sub global_name { my ($u, $g) = @_; return unique_name('var', $g, $u) }

sub position { my ($filenum, $line, $row) = @_; return "<position filenum=\"$filenum\" line=\"$line\" row=\"$row\"/>\n" }

# Lines of the unit's header: functions first, then globals.
sub function_line { return 3 + $_[0] }
sub global_line { return 3 + $functions + $_[0] }

for my $u (0 .. $units - 1) {
    my $file = sprintf("%s/small%05d.xob", $out, $u);
    open(my $fh, '>', $file) or die "cannot write $file: $!\n";
    my $unit = unique_name('part', $u);
    print $fh "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    print $fh "<xobj filename=\"$unit.xob\" date=\"$date\" command=\"kyvcc -I /work/small/include $unit.c\">\n";
    print $fh "<sourcefile filename=\"$unit.c\" fullname=\"/work/small/src/$unit.c\" date=\"$date\" cle=\"c$u\" filenum=\"1\">\n";
    print $fh "<sourcefile filename=\"$unit.h\" fullname=\"/work/small/include/$unit.h\" date=\"$date\" cle=\"h$u\" filenum=\"2\">\n";
    for my $k (0 .. $functions - 1) {
        print $fh "<function name=\"" . function_name('fn', $u, $k) . "\" storageclass=\"extern\">\n"
            . position(2, function_line($k), 5) . "</function>\n";
    }
    for my $g (0 .. $globals - 1) {
        print $fh "<declare name=\"" . global_name($u, $g) . "\" level=\"0\" storageclass=\"extern\">\n"
            . position(2, global_line($g), 12) . "</declare>\n";
    }
    print $fh "</sourcefile>\n";
    my $line = 4;
    for my $g (0 .. $globals - 1) {
        print $fh "<define name=\"" . global_name($u, $g) . "\" level=\"0\" storageclass=\"\" type=\"-9\" scope=\"0\">\n"
            . position(1, $line++, 5) . "</define>\n";
    }
    for my $k (0 .. $functions - 1) {
        my $name = function_name('fn', $u, $k);
        my $arg = function_name('arg', $u, $k);
        my $tmp = function_name('tmp', $u, $k);
        my $global = global_name($u, $k % $globals);
        my $start = ++$line;
        print $fh "<function name=\"$name\" fulldef=\"int $name(int $arg)\" storageclass=\"\">\n" . position(1, $start, 5);
        print $fh "<define name=\"$arg\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n"
            . position(1, $start, 20) . "</define>\n";
        my $local = ++$line;
        print $fh "<define name=\"$tmp\" level=\"2\" storageclass=\"\" type=\"-9\" scope=\"1\">\n"
            . position(1, $local, 9) . "</define>\n";
        print $fh "<reference mode=\"read\">\n<object name=\"$arg\" mode=\"read\">\n" . position(1, $start, 20)
            . "</object>\n" . position(1, ++$line, 15) . "</reference>\n";
        print $fh "<reference mode=\"write\">\n<object name=\"$global\" mode=\"write\">\n"
            . position(2, global_line($k % $globals), 12) . "</object>\n" . position(1, $line, 5) . "</reference>\n";
        if ($k % $chain) {
            my $callee = function_name('fn', $u, $k - 1);
            print $fh "<reference mode=\"call\">\n<object name=\"$callee\" mode=\"call\">\n"
                . position(2, function_line($k - 1), 5) . "</object>\n" . position(1, ++$line, 12) . "</reference>\n";
        }
        print $fh position(1, ++$line, 1) . "</function>\n";
    }
    print $fh "</sourcefile>\n</xobj>\n";
    close $fh;
}
