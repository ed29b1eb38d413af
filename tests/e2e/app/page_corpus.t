# The forms and fields expected of the real-world-shaped pages in tests/data/pages
# are those Chromium's DOM finds in them, so the tokenizer's view is held to a browser's.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../../runtime/lib";
use RuntimeTest;
use Encode ();
use JSON::PP;
use Test::More;

plan skip_all => 'Chromium or playwright-core is not installed'
    unless -x '/usr/bin/chromium' && -d "$FindBin::Bin/../browser/node_modules/playwright-core";

my @pages = sort glob("$FindBin::Bin/../../data/pages/*.html");
ok(@pages >= 5, 'the corpus is there');
my $json = `node $FindBin::Bin/../browser/form_fields.mjs @pages`;
is($?, 0, 'Chromium read every page') or BAIL_OUT($json);
my $seen = JSON::PP->new->utf8->decode($json);
for my $page (@pages) {
    (my $fields = $page) =~ s/\.html$/.fields/;
    my $expected = read_file($fields);
    # A Latin-1 page lists its names in Latin-1.
    $expected = eval { Encode::decode('UTF-8', $expected, Encode::FB_CROAK | Encode::LEAVE_SRC) }
        // Encode::decode('ISO-8859-1', $expected);
    is($seen->{$page}, $expected, "$fields is what the DOM holds");
}
done_testing();
