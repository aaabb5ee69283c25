#!/usr/bin/perl
# Turns doc/rules.md, the hand-written help of the rules kyvld raises, into
# the C++ table kyvreport writes into SARIF and its page, and into the HTML
# document the rules' helpUri points at (the anchors come from here only).
# Fails the build when a rule's section lacks a part the outputs rely on.
#
# usage: rule_help_gen.pl RULES.md OUT.cpp OUT.html
use strict;
use warnings;

my ($source, $cpp_out, $html_out) = @ARGV;
die "usage: rule_help_gen.pl RULES.md OUT.cpp OUT.html\n" unless $html_out;
open(my $in, '<', $source) or die "$source: $!\n";
my @lines = <$in>;
close $in;
chomp @lines;

my @PARTS = ('What it finds.', 'Why it matters in C.', 'How to fix it.', 'How to justify it.', 'Focused profile.');
my %PRECISIONS = map { $_ => 1 } qw(very-high high medium low);

sub fail { die "$source:$_[0]: $_[1]\n" }

sub anchor_of { my $id = lc shift; $id =~ tr/_/-/; return $id }

# Markdown as plain text: paragraphs on one line, code blocks as written.
sub plain_text {
    my @blocks;
    for my $block (split /\n{2,}/, shift) {
        if ($block =~ /^    /) { push @blocks, $block; next }
        $block =~ s/\*\*//g;
        $block =~ s/`//g;
        $block =~ s/\s*\n\s*/ /g;
        push @blocks, $block;
    }
    return join "\n\n", @blocks;
}

sub html_escape {
    my $text = shift;
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    return $text;
}

sub html_inline {
    my $text = html_escape(shift);
    $text =~ s{`([^`]+)`}{<code>$1</code>}g;
    $text =~ s{\*\*([^*]+)\*\*}{<strong>$1</strong>}g;
    return $text;
}

sub html_blocks {
    my @out;
    for my $block (split /\n{2,}/, shift) {
        if ($block =~ /^    /) {
            (my $code = $block) =~ s/^    //mg;
            push @out, '<pre><code>' . html_escape($code) . "</code></pre>";
        } else {
            push @out, '<p>' . html_inline($block) . '</p>';
        }
    }
    return join "\n", @out;
}

sub cpp_string {
    my $text = shift;
    $text =~ s/([\\"])/\\$1/g;
    $text =~ s/\n/\\n/g;
    $text =~ s/([^\x20-\x7e])/sprintf('\\%03o', ord $1)/ge;
    return "\"$text\"";
}

# Sections: [heading, first line number, body text].
my ($title, @sections);
for my $number (0 .. $#lines) {
    my $line = $lines[$number];
    if ($line =~ /^# (.+)$/) {
        fail($number + 1, 'a second title') if defined $title;
        $title = $1;
    } elsif ($line =~ /^## (.+)$/) {
        push @sections, [$1, $number + 1, ''];
    } elsif ($line =~ /^#/) {
        fail($number + 1, 'only "# title" and "## section" headings are known');
    } elsif (@sections) {
        $sections[-1][2] .= "$line\n";
    }
}
fail(1, 'no title') unless defined $title;
my $intro = join("\n", @lines) =~ /^# [^\n]*\n(.*?)(?=^## |\z)/ms ? $1 : '';

my (@rules, %seen, @html_sections);
for my $section (@sections) {
    my ($heading, $at, $body) = @$section;
    $body =~ s/^\s+|\s+$//g;
    if ($heading =~ /^(KYV_\d+_\d+): ([A-Za-z][A-Za-z0-9]*)$/) {
        my ($id, $name) = ($1, $2);
        fail($at, "$id has a second section") if $seen{$id}++;
        fail($at, "$id: the section must begin with \"Precision: very-high|high|medium|low\"")
            unless $body =~ s/^Precision: (\S+)\n+// && $PRECISIONS{$1};
        my $precision = $1;
        my %part;
        for my $block (split /\n{2,}/, $body) {
            $part{$1} = $2 if $block =~ /^\*\*([^*]+)\*\*\s*(.*)$/s;
        }
        for my $wanted (@PARTS) {
            fail($at, "$id: no paragraph beginning with **$wanted**") unless $part{$wanted};
        }
        my $full = plain_text($part{'What it finds.'});
        push @rules, [$id, $name, anchor_of($id), $precision, $full, plain_text($body), $body];
        push @html_sections, sprintf("<section id=\"%s\">\n<h2>%s: %s</h2>\n<p class=\"precision\">Precision: %s</p>\n%s\n</section>",
                                     anchor_of($id), $id, $name, $precision, html_blocks($body));
    } elsif ($heading =~ /^(.+?) \{#([a-z][a-z0-9-]*)\}$/) {
        push @html_sections, sprintf("<section id=\"%s\">\n<h2>%s</h2>\n%s\n</section>", $2, html_inline($1),
                                     html_blocks($body));
    } else {
        fail($at, "a section is \"## KYV_n_m: ReadableName\" or \"## Title {#anchor}\", not \"$heading\"");
    }
}
fail(1, 'no rule section') unless @rules;
fail(1, 'no section {#analyser-rules} for the rules kyvld does not raise')
    unless grep { $_->[0] =~ /\{#analyser-rules\}$/ } @sections;

open(my $cpp, '>', "$cpp_out.tmp") or die "$cpp_out: $!\n";
print $cpp "// Generated from doc/rules.md by cmake/rule_help_gen.pl: edit the document, not this file.\n";
print $cpp "#include \"kyvreport/rule_help_text.h\"\n\n";
print $cpp "const rule_help_text RULE_HELP_TEXTS[] = {\n";
for my $rule (@rules) {
    print $cpp "    {", join(",\n     ", map { cpp_string($_) } @$rule), "},\n";
}
print $cpp "};\n\nconst int RULE_HELP_TEXT_COUNT = ", scalar(@rules), ";\n";
close $cpp or die "$cpp_out: $!\n";
rename("$cpp_out.tmp", $cpp_out) or die "$cpp_out: $!\n";

open(my $html, '>', "$html_out.tmp") or die "$html_out: $!\n";
my $page_title = html_escape($title);
print $html <<"END";
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>$page_title</title>
<style>
body { font: 15px/1.5 system-ui, sans-serif; max-width: 50em; margin: 1em auto 4em; padding: 0 1em; color: #1d232a; }
h2 { margin-top: 2em; border-bottom: 1px solid #d5dae0; }
pre { background: #f3f5f7; padding: .5em .8em; overflow-x: auto; }
code { font-size: .92em; }
.precision { color: #5b6570; }
</style>
</head>
<body>
<h1>$page_title</h1>
END
print $html html_blocks($intro =~ s/^\s+|\s+$//gr), "\n";
print $html join("\n", @html_sections), "\n</body>\n</html>\n";
close $html or die "$html_out: $!\n";
rename("$html_out.tmp", $html_out) or die "$html_out: $!\n";
