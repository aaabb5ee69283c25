# The file is what scripts load: it must evaluate, and say what it means.
perl -e '
    my $loaded = do "./out.pl";
    die "cannot load: ", ($@ || $!), "\n" unless $loaded;
    die "types should be empty\n" if @types;
    die "no file rows expected\n" if @files || @enums || @fields || @vars || @fcts;
    die "base type 11\n" unless $basetypes[11] eq "unsigned int";
    die "base type 22\n" unless $basetypes[22] eq "void" && @basetypes == 23;
    die "layout\n" unless $typefield == 4 && $indirectfield == 5 && $scopeparameter == 4;
'
