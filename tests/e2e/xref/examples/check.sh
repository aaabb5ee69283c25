# Read back the way a script reads it: the cross-reference answers questions
# about the linked example program through its own index scalars.
perl -e '
    my $loaded = do "./xref.pl";
    die "cannot load: ", ($@ || $!), "\n" unless $loaded;
    sub where { my ($row) = @_; "$files[$row->[$filefield]][0]:$row->[$linefield]" }
    sub type_name {
        my ($type) = @_;
        return $basetypes[-$type] if $type < 0;
        return $types[$type][$namefield];
    }
    my %fct = map { $_->[$namefield] => where($_) } @fcts;
    my %var = map { $_->[$namefield] => $_ } @vars;
    my @problems;
    # Functions called across files resolve to the one definition in util.c.
    push @problems, "factorial at $fct{factorial}"
        unless $fct{factorial} eq "/home/dev/demo/util.c:5";
    push @problems, "log_message at $fct{log_message}"
        unless $fct{log_message} eq "/home/dev/demo/util.c:12";
    push @problems, "main at $fct{main}" unless $fct{main} eq "/home/dev/demo/main.c:6";
    push @problems, scalar(@fcts) . " functions" unless @fcts == 4;
    # The typedef of the shared header is listed once and renames a base type.
    push @problems, scalar(@types) . " typedefs" unless @types == 1;
    push @problems, "counter_t in " . where($types[0])
        unless where($types[0]) eq "/home/dev/demo/include/util.h:3";
    push @problems, "counter_t renames " . type_name($types[0][$typefield])
        unless type_name($types[0][$typefield]) eq "unsigned short int";
    # Variables: scope codes, types through the typedef table, indirections.
    push @problems, "total is a " . type_name($var{total}[$typefield])
        unless type_name($var{total}[$typefield]) eq "counter_t"
           && $var{total}[$scopefield] == $scopelocal;
    push @problems, "argv" unless $var{argv}[$scopefield] == $scopeparameter
        && type_name($var{argv}[$typefield]) eq "char" && $var{argv}[$indirectfield] eq "**";
    push @problems, "verbosity" unless $var{verbosity}[$scopefield] == $scopeglobal
        && where($var{verbosity}) eq "/home/dev/demo/main.c:4";
    push @problems, "text" unless $var{text}[$indirectfield] eq "*"
        && where($var{text}) eq "/home/dev/demo/util.c:12";
    push @problems, "system flags" if grep { $_->[1] != 0 } @files;
    push @problems, "enums or fields" if @enums || @fields;
    die join("\n", @problems), "\n" if @problems;
'
