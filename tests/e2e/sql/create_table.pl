#!/usr/bin/perl
# The CREATE TABLE text of a designed table, run on SQLite: the designed
# defaults fill the columns and the value list's CHECK takes exactly the
# designed values, also for a file whose values carry an older writer's line ends.
#
#   create_table.pl QUILLET_CLI PROJECT_DATA_FOLDER
use strict;
use warnings;
use DBI;
use Test::More;

my ($cli, $data) = @ARGV;
die "usage: $0 QUILLET_CLI PROJECT_DATA_FOLDER\n" unless $cli && $data;

for my $file (qw(full.prj legacy-line-ends.prj)) {
    my $sql = `'$cli' tables '$data/$file'`;
    is($? >> 8, 0, "$file: tables");
    unlike($sql, qr/\r/, "$file: no line end inside a value");
    my $db = DBI->connect('dbi:SQLite:dbname=:memory:', '', '', {RaiseError => 1, PrintError => 0});
    ok(eval { $db->do($sql); 1 }, "$file: table created") or diag $@;
    $db->do('INSERT INTO orders (note) VALUES (?)', undef, 'n');
    $db->do('INSERT INTO orders (kind) VALUES (?)', undef, 'y');
    is_deeply($db->selectall_arrayref('SELECT kind, note FROM orders'), [['x', 'n'], ['y', 'abc']],
              "$file: designed values and defaults stored");
    ok(!eval { $db->do('INSERT INTO orders (kind) VALUES (?)', undef, 'z'); 1 }, "$file: CHECK refuses z");
}
done_testing;
