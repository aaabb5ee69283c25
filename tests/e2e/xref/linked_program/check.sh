# Loaded the way scripts load it, the file gives back exactly the names,
# paths and indirection texts of the xob files, and runs none of them.
perl -e '
    my $loaded = do "./out.pl";
    die "cannot load: ", ($@ || $!), "\n" unless $loaded;
    die "a text of the input ran as code\n" if defined $code_ran;
    sub rows { join "|", map { join ",", @$_ } @_ }
    my %expected = (
        files  => q{C:\src\a.c,0|/usr/include/b.h,1|/work/b.c,0},
        types  => q{size_type,1,3,2,-11,},
        enums  => q{RED,0,4,-4},
        fields => q{next,0,5,0,0,*},
        vars   => q{counter,0,6,2,-11,|$ENV{HOME},0,7,0,-10,|trailing\,2,2,4,-10,.($code_ran = 1)]);q(},
        fcts   => q{main,0,9|@ARGV,-1,0},
    );
    my %actual = (files => rows(@files), types => rows(@types), enums => rows(@enums),
                  fields => rows(@fields), vars => rows(@vars), fcts => rows(@fcts));
    for my $array (sort keys %expected) {
        die "\@$array: expected $expected{$array}, got $actual{$array}\n"
            unless $actual{$array} eq $expected{$array};
    }
    die "base type of counter\n" unless $basetypes[-$vars[0][$typefield]] eq "unsigned int";
    die "file of trailing\n" unless $files[$vars[2][$filefield]][0] eq "/work/b.c";
'
