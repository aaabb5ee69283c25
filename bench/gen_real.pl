#!/usr/bin/env perl
# Scales the xob files kyvscan wrote from a real C project by renamed copies:
# a program that many times larger, shaped as that project is (its units,
# headers, locals and calls), not as a generator imagines code. Copy 0 is the
# project as written; copy k gives every name the project itself declares a
# prefix of its own and its source files a folder of their own, so each copy
# is a program of its own beside the others and the traps grow with the
# copies. Names a system header declares (printf, size_t, FILE's fields)
# keep their spelling in every copy, as every unit of a large program shares
# them. The prefixes come from UniqueNames, so no two copies' names meet in
# the similarity checks.
#
# usage: gen_real.pl --from <folder of xob files> [--sum TEXT] <output folder> <copies>
#   --sum  ignored: names the source files' content, so that a corpus made
#          from other files is made again (bench/lib.sh stamps the arguments)
use strict;
use warnings;
use FindBin;
use lib $FindBin::Bin;
use UniqueNames qw(unique_name);

my $from;
while (@ARGV && $ARGV[0] =~ /^--(from|sum)$/) {
    my $option = shift;
    my $value = shift;
    $from = $value if $option eq '--from';
}
my ($out, $copies) = @ARGV;
die "usage: gen_real.pl --from <folder> [--sum TEXT] <output folder> <copies>\n"
    unless defined $from && -d $from && $out && defined $copies && $copies =~ /^[1-9][0-9]*$/;

opendir(my $dh, $from) or die "gen_real.pl: $from: $!\n";
my @units = sort grep { /\.xob$/ && -f "$from/$_" } readdir $dh;
closedir $dh;
die "gen_real.pl: no xob files in $from\n" unless @units;

sub slurp { my $path = shift; open(my $fh, '<', $path) or die "gen_real.pl: $path: $!\n"; local $/; return <$fh>; }

# The names declared in a system header anywhere in the project: a
# declaring element's first position names the file it stands in.
my %system_name;
my %text;
for my $unit (@units) {
    my $text = $text{$unit} = slurp("$from/$unit");
    my %system_file;
    while ($text =~ /<sourcefile [^>]*\bsysinclude="1"[^>]*\bfilenum="(\d+)"/g) { $system_file{$1} = 1; }
    while ($text =~ /<(?!reference\b|object\b)\w+ name="([^"]*)"[^>]*>\s*<position filenum="(\d+)"/g) {
        $system_name{$1} = 1 if $system_file{$2};
    }
}

mkdir $out unless -d $out;
for my $copy (0 .. $copies - 1) {
    my $prefix = $copy ? unique_name('k', $copy) . '_' : '';
    my $folder = $copy ? '/copy_' . unique_name('k', $copy) : '';
    for my $unit (@units) {
        my $text = $text{$unit};
        my $name = $copy ? "$prefix$unit" : $unit;
        if ($copy) {
            $text =~ s{(<\w+ name=")([^"]*)"}{$1 . ($system_name{$2} ? $2 : "$prefix$2") . '"'}ge;
            $text =~ s{(<sourcefile (?![^>]*sysinclude="1")[^>]*?fullname=")}{$1$folder}g;
            $text =~ s{(<xobj filename=")[^"]*"}{$1$name"};
        }
        open(my $fh, '>', "$out/$name") or die "gen_real.pl: $out/$name: $!\n";
        print $fh $text;
        close $fh or die "gen_real.pl: $out/$name: $!\n";
    }
}
