# Identifiers that never meet in the similarity checks: their digits alternate
# with letters, so no character repeats next to itself, and they use no
# character the default confusion classes map to another (l I O Z S h H).
# Distinct numbers therefore give distinct names under every reduced key.
package UniqueNames;
use strict;
use warnings;
use Exporter 'import';
our @EXPORT_OK = qw(unique_name);

my @odd = split //, 'abcdefgjkm';

sub encode {
    my @digits = split //, shift;
    return join '', map { $_ % 2 ? $odd[$digits[$_]] : $digits[$_] } 0 .. $#digits;
}

# unique_name(prefix, numbers...): e.g. ("fn", 12, 3) gives "fn_1c_3".
sub unique_name {
    my ($prefix, @numbers) = @_;
    return join '_', $prefix, map { encode($_) } @numbers;
}

1;
