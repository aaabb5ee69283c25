#!/usr/bin/env perl
# Writes a deterministic corpus of xob files that looks like a real C program:
# translation units that share headers, functions calling each other across
# units, parameters and locals, typedefs, traps and justifications.
# Locals are named after their function: a name defined in every function
# raises the identifier-reuse rule once per pair of definitions, so shared
# local names would measure that rule's quadratic trap count, not the linker.
#
# With --reuse N the program reuses names the way real code does, within
# bounds that keep the trap count linear in the size: the N functions of a
# group share their parameter and local names (one reuse trap per pair of
# definitions), and one local of each function hides a file-level static of
# its group (one more trap each). N = 7 gives about 8 times the traps at
# 700 units (531,467 against 68,299).
#
# usage: gen_corpus.pl [--reuse N] <output folder> <units> [functions per unit]
use strict;
use warnings;
use Getopt::Long;

my $reuse = 0;
GetOptions('reuse=i' => \$reuse) or die "usage: gen_corpus.pl [--reuse N] <output folder> <units> [functions per unit]\n";
my ($out, $units, $functions) = @ARGV;
die "usage: gen_corpus.pl [--reuse N] <output folder> <units> [functions per unit]\n" unless $out && $units;
$functions //= 30;
my $headers = int($units / 8) + 4;
my $headers_per_unit = $headers < 8 ? $headers : 8;
my $date = 1764950400;
my @trap_rules = qw(KYV_120_10 KYV_120_60 KYV_130_20 KYV_140_10 KYV_170_50 KYV_60_30 KYV_110_30);
my @local_stems = qw(i j n len buf count result tmp ptr index);

mkdir $out unless -d $out;

# Unit u defines the functions unit<u>_f<k>; header h declares those of the
# units u with u % headers == h, so every unit can call into others.
sub header_path { return "/work/project/include/module$_[0].h" }

my $seed = 7;
sub next_random {
    $seed = ($seed * 1103515245 + 12345) % 2147483648;
    return $seed;
}

sub position { my ($filenum, $line, $row) = @_; return "<position filenum=\"$filenum\" line=\"$line\" row=\"$row\"/>\n" }

sub header_block {
    my ($h, $filenum) = @_;
    my $path = header_path($h);
    my $text = "<sourcefile filename=\"module$h.h\" fullname=\"$path\" date=\"$date\" cle=\"h$h\" filenum=\"$filenum\">\n";
    my $line = 3;
    for my $t (0 .. 2) {
        $text .= "<typedef name=\"module${h}_type$t\" level=\"0\" scope=\"0\" type=\"$t\" base=\"-9\" indirection=\"\">\n"
            . position($filenum, $line++, 13) . "</typedef>\n";
    }
    for (my $u = $h; $u < $units; $u += $headers) {
        for my $k (0 .. $functions - 1) {
            $text .= "<function name=\"unit${u}_f$k\" storageclass=\"extern\">\n"
                . position($filenum, $line++, 5) . "</function>\n";
        }
    }
    for my $g (0 .. 4) {
        $text .= "<declare name=\"module${h}_global$g\" level=\"0\" storageclass=\"extern\">\n"
            . position($filenum, $line++, 12) . "</declare>\n";
    }
    return $text . "</sourcefile>\n";
}

sub declared_line {  # line of unit<u>_f<k> in its header
    my ($u, $k) = @_;
    my $h = $u % $headers;
    my $before = int(($u - $h) / $headers);
    return 3 + 3 + $before * $functions + $k;
}

sub group_state { my ($u, $g) = @_; return "unit${u}_g${g}_state" }

# Parameter and local names of function k of unit u: its own, or those of its group.
sub local_names {
    my ($u, $k) = @_;
    return map { "${_}_${u}_$k" } @local_stems unless $reuse;
    my $g = int($k / $reuse);
    my @names = map { "${_}_${u}_g$g" } @local_stems;
    $names[7] = group_state($u, $g);
    return @names;
}

for my $u (0 .. $units - 1) {
    my $file = sprintf("%s/unit%05d.xob", $out, $u);
    open(my $fh, '>', $file) or die "cannot write $file: $!\n";
    my %included;
    $included{$u % $headers} = 1;
    while (keys %included < $headers_per_unit) { $included{next_random() % $headers} = 1 }
    my @hs = sort { $a <=> $b } keys %included;
    my %filenum_of;
    my $n = 2;
    $filenum_of{$_} = $n++ for @hs;

    print $fh "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    print $fh "<xobj filename=\"unit$u.xob\" date=\"$date\" command=\"kyvcc -I /work/project/include unit$u.c\">\n";
    print $fh "<sourcefile filename=\"unit$u.c\" fullname=\"/work/project/src/unit$u.c\" date=\"$date\" cle=\"u$u\" filenum=\"1\">\n";
    print $fh header_block($_, $filenum_of{$_}) for @hs;
    my $line = 20;
    print $fh "<define name=\"unit${u}_state\" level=\"0\" storageclass=\"static\" type=\"-9\" scope=\"2\">\n"
        . position(1, $line++, 12) . "</define>\n";
    if ($reuse) {
        for (my $g = 0; $g * $reuse < $functions; ++$g) {
            print $fh "<define name=\"" . group_state($u, $g) . "\" level=\"0\" storageclass=\"static\" type=\"-9\" scope=\"2\">\n"
                . position(1, $line++, 12) . "</define>\n";
        }
    }
    for my $k (0 .. $functions - 1) {
        my $start = $line;
        my $static = ($k % 10 == 9) ? "static" : "";
        my $fname = "unit${u}_f$k";
        my @local_names = local_names($u, $k);
        print $fh "<function name=\"$fname\" fulldef=\"int $fname(int $local_names[0], char *$local_names[4])\" storageclass=\"$static\">\n"
            . position(1, $line++, 5);
        for my $p (0 .. 2) {
            print $fh "<define name=\"$local_names[$p]\" level=\"1\" storageclass=\"\" type=\"-9\" scope=\"4\">\n"
                . position(1, $start, 20 + $p * 8) . "</define>\n";
        }
        for my $l (3 .. 7) {
            print $fh "<define name=\"$local_names[$l]\" level=\"2\" storageclass=\"\" type=\"" . ($l % 3 - 9)
                . "\" indirection=\"" . ($l == 8 ? "*" : "") . "\" scope=\"1\">\n"
                . position(1, $line++, 9) . "</define>\n";
        }
        for my $r (0 .. 9) {
            my $use = $line++;
            if ($r % 3 == 0) {
                # A call into another unit through an included header that declares it.
                my $h = $hs[next_random() % @hs];
                my $in_class = int(($units - 1 - $h) / $headers) + 1;
                my $cu = $h + $headers * (next_random() % $in_class);
                my $ck = next_random() % $functions;
                $ck-- if $ck % 10 == 9;
                $ck = ($ck + 1) % $functions if $cu == $u && $ck == $k;
                my $target = position($filenum_of{$h}, declared_line($cu, $ck), 5);
                print $fh "<reference mode=\"call\">\n<object name=\"unit${cu}_f$ck\" mode=\"call\">\n"
                    . $target . "</object>\n" . position(1, $use, 12) . "</reference>\n";
            } else {
                my $l = 3 + ($r % 5);
                print $fh "<reference mode=\"" . ($r % 2 ? "read" : "write") . "\">\n"
                    . "<object name=\"$local_names[$l]\" mode=\"read\">\n"
                    . position(1, $start + 1 + ($l - 3), 9) . "</object>\n" . position(1, $use, 7) . "</reference>\n";
            }
        }
        if ($k % 3 == 0) {
            my $rule = $trap_rules[next_random() % @trap_rules];
            if ($k % 6 == 0) {
                print $fh "<justify name=\"$rule\" nbline=\"1\" comment=\"reviewed: intended\">\n"
                    . position(1, $line, 1) . "</justify>\n";
            }
            print $fh "<trap name=\"$rule\" param=\"$local_stems[$k % 10]\">\n" . position(1, $line + 1, 4) . "</trap>\n";
            $line += 2;
        }
        print $fh position(1, $line++, 1) . "</function>\n";
        $line++;
    }
    print $fh "</sourcefile>\n</xobj>\n";
    close $fh;
}
