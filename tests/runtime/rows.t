# Select Records results: paging values of FetchRows, the default report of
# PrintRows, and database failures reaching the error page.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use DBI;
use lib runtime_dir();
use ZentraCGI;

our (%FORM, $Sel1, $db);

$db = DBI->connect('DBI:SQLite:database=:memory:', '', '');
$db->do('CREATE TABLE t (id INTEGER, name TEXT)');
$db->do('INSERT INTO t VALUES (?, ?)', undef, $_, "n$_") for 1 .. 12;
$db->do(q{UPDATE t SET name = '<b>&' WHERE id = 3});

sub select_rows {
    my ($size, $from, $sql) = @_;
    %FORM = defined $from ? (Sel1_from => [$from]) : ();
    $Sel1 = {};
    $Sel1->{sth}   = $db->prepare($sql || 'SELECT id, name FROM t ORDER BY id');
    $Sel1->{nrows} = $Sel1->{sth}->execute;
    PrintRows($Sel1, $size);
    return $Sel1;
}

subtest 'paging values' => sub {
    my @cases = (
        # size, _from, from, next, prev, last, row numbers on the page
        [5, undef, 1, 6, -4, 8, [1 .. 5]],
        [5, 6, 6, 11, 1, 8, [6 .. 10]],
        [5, 11, 11, 16, 6, 8, [11, 12, '', '', '']],
        [5, 0, 1, 6, -4, 8, [1 .. 5]],
        [5, '-3', 1, 6, -4, 8, [1 .. 5]],
        [5, 'abc', 1, 6, -4, 8, [1 .. 5]],
        [5, 40, 40, 45, 35, 8, ['', '', '', '', '']],
        [20, undef, 1, 21, -19, -7, [1 .. 12, ('') x 8]],
    );
    for my $case (@cases) {
        my ($size, $from, @want) = @$case;
        my $r = select_rows($size, $from);
        my $label = "size $size from " . (defined $from ? $from : 'absent');
        is_deeply([@$r{qw(from next prev first last)}], [@want[0 .. 2], 0, $want[3]], "$label: from, next, prev, first, last");
        is_deeply($r->{index}, $want[4], "$label: index");
        is_deeply([map { $_->{id} // '' } @{ $r->{rows} }], $want[4], "$label: rows");
    }
};

subtest 'last page shows the last row' => sub {
    my $r = select_rows(5, undef);
    $r = select_rows(5, $r->{last});
    is($r->{rows}[-1]{id}, 12);
};

subtest 'default report' => sub {
    my $r = select_rows(5, undef);
    my $report = $r->{DefaultReport};
    is(() = $report =~ /<th>/g, 2, 'one header cell per column');
    is(() = $report =~ /<tr>/g, 13, 'header row once, then every record (not just the page)');
    like($report, qr{^<table border="1">\n<tr><th>id</th><th>name</th></tr>\n<tr><td>1</td><td>n1</td></tr>}, 'header first, columns in statement order');
    like($report, qr{<td>&lt;b&gt;&amp;</td>}, 'values are HTML-escaped');
    is($r->{nrows}, 12, 'the row count is the number of rows found');
    $r = select_rows(0, undef, 'SELECT id FROM t WHERE id > 100');
    is($r->{DefaultReport}, "<table border=\"1\">\n<tr><th>id</th></tr>\n</table>\n", 'no rows: header only');
    is($r->{nrows}, 0, 'and a row count of 0, not "0E0"');
};

subtest 'database failures end with the error page' => sub {
    my $dir = temp_dir();
    my $body = "\$db = DBI->connect(\"DBI:SQLite:database=$dir/g.db\", \"\", \"\");\n"
        . "\$db->do('CREATE TABLE g (name TEXT NOT NULL)');\n"
        . "ParseForm();\n%Ins = {};\n\$Ins->{nrows} = \$db->do(\"INSERT INTO g (name) VALUES (\" . \$db->quote(\$FORM{'x'}[0]) . \")\");\n"
        . "PostUrl(\"DefaultAction\", 1, \"\", \"\");\n";
    my ($out, $err) = run_cgi(dir => $dir, script => cgi_script($dir, $body, dbi => 1), stdin => 'y=1');
    my ($reference) = $out =~ /Submission Error.*The database refused the request\..*Reference: (\w{8})/s;
    ok($reference, 'refused insert');
    unlike($out, qr/NOT NULL|SQLite|Thank you/, "no thank-you page and nothing of the driver's text");
    like($err, qr/error \Q$reference\E: database: .*NOT NULL/, 'which goes to the log');
    $body = "\$db = DBI->connect(\"DBI:SQLite:database=$dir/missing/none.db\", \"\", \"\");\nPostUrl(\"DefaultAction\", 1, \"\", \"\");\n";
    ($out) = run_cgi(dir => $dir, script => cgi_script($dir, $body, dbi => 1));
    like($out, qr/Submission Error.*The database refused the request/s, 'failed connection');
};

done_testing;
