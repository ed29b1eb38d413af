#!/usr/bin/perl
# Runs the statements that quillet-cli builds for a project full of record
# actions against a real database, the way a generated script does: the text
# is a Perl double-quoted string whose values DBI quotes at run time.
#
#   sql_statements.pl QUILLET_CLI SQLite|mysql
use strict;
use warnings;
use DBI;
use File::Temp qw(tempdir);
use IO::Socket::INET;
use Test::More;
use Time::HiRes qw(sleep);

my ($cli, $driver) = @ARGV;
die "usage: $0 QUILLET_CLI SQLite|mysql\n" unless $cli && $driver;
my $dir = tempdir('quillet-sql-XXXXXX', TMPDIR => 1, CLEANUP => 1);

# ---- the project ---------------------------------------------------------

# name => [type, table, [[table, column, function, value] ...], [[table, column, [op, value] ...] ...]]
my @people_columns = (['people', 'id', '', '']);
my @cases = (
    [eq_number   => 3, [['people', 'id', '', '']], [['people', 'age', ['=', '30']]]],
    [ne_number   => 3, \@people_columns, [['people', 'age', ['<>', '30']]]],
    [gt_lt       => 3, \@people_columns, [['people', 'age', ['>', '17']], ['people', 'age', ['<', '45']]]],
    [ge_le       => 3, \@people_columns, [['people', 'age', ['>=', '22']], ['people', 'age', ['<=', ' 45.0']]]],
    [eq_form     => 3, \@people_columns, [['people', 'name', ['=', q{$FORM{'name'}[0]}]]]],
    [like        => 3, \@people_columns, [['people', 'name', ['LIKE', q{'C%'}]]]],
    [like_form   => 3, \@people_columns, [['', 'name', ['LIKE', q{$FORM{'pattern'}[0]}]]]],
    [between     => 3, \@people_columns, [['people', 'age', ['BETWEEN', '20,45']]]],
    [between_form => 3, \@people_columns, [['people', 'age', ['BETWEEN', q{$FORM{'lo'}[0] and $FORM{'hi'}[0]}]]]],
    [in_numbers  => 3, \@people_columns, [['people', 'id', ['IN', '1, 3,5']]]],
    [in_strings  => 3, \@people_columns, [['people', 'city', ['IN', q{('Paris','Rome')}]]]],
    [in_form     => 3, \@people_columns, [['people', 'city', ['IN', q{$FORM{'city'}[0],'Rome'}]]]],
    [not_in      => 3, \@people_columns, [['people', 'city', ['NOT IN', q{'London'}]]]],
    [among       => 3, \@people_columns, [['people', 'name', ['AMONG', q{$FORM{'q'}[0]}]]]],
    [or_rows     => 3, \@people_columns, [['people', 'age', ['>', '40'], ['', ''], ['=', '17']],
                                          ['people', 'city', ['', ''], ['=', q{'Rome'}], ['', '']]]],
    [and_terms   => 3, \@people_columns, [['people', 'city', ['=', q{'Paris'}]], ['people', 'age', ['<', '40']]]],
    [empty_grid  => 3, [['people', 'id', '', '']], [['people', 'age', ['>', '']]]],
    [group_count => 3, [['people', 'city', 'Group By', ''], ['people', 'id', 'COUNT', '']], []],
    [order_desc  => 3, [['people', 'name', 'Order By [DESC]', '']], []],
    [order_two   => 3, [['people', 'city', 'Order By [ASC]', ''], ['people', 'age', 'Order By [DESC]', '']], []],
    [aggregates  => 3, [map { ['people', 'age', $_, ''] } qw(AVG)], []],
    [max_min_sum => 3, [['people', 'age', 'MAX', ''], ['people', 'id', 'MIN', ''], ['people', 'name', 'COUNT', '']], []],
    [insert      => 0, [map { ['', $_, '', qq{\$FORM{'new_$_'}[0]}] } qw(id name city age)], [['people', 'id', ['=', '1']]]],
    [update      => 2, [['people', 'age', '', q{=$FORM{'new_age'}[0] + 1}], ['people', 'city', '', q{'Oslo'}]],
                       [['people', 'id', ['=', '6']]]],
    [delete      => 1, [['people', '', '', '']],
                       [['people', 'age', ['>=', '60'], ['', '']], ['people', 'city', ['', ''], ['=', q{'Oslo'}]]]],
    # Text typed into value cells is stored as typed, whatever quotes, "@" or "$" it holds.
    [insert_typed => 0, [['', 'id', '', '7'], ['', 'name', '', q{O'Brien}], ['', 'city', '', q{bob@example.com}]], []],
    [insert_more  => 0, [['', 'id', '', '8'], ['', 'name', '', q{cost $5}], ['', 'city', '', q{a"b}]], []],
    [select_typed => 3, \@people_columns, [['people', 'name', ['=', q{O'Brien}], ['', '']],
                                           ['people', 'city', ['', ''], ['=', q{a"b}]]]],
    [update_typed => 2, [['people', 'city', '', q{cost $5}]], [['people', 'city', ['=', q{bob@example.com}]]]],
    [delete_typed => 1, [['people', '', '', '']], [['people', 'name', ['=', q{cost $5}]]]],
);

sub settings_block {
    my @marked = (
        SERVER_SERVER => 'Others', SERVER_PERL => '/usr/bin/perl', SERVER_TABLIX_IP => '', SERVER_EXT => '*.cgi',
        SERVER_IP => '', SERVER_USER => '', SERVER_PASSWD => '', SERVER_HTMLPATH => '/htdocs',
        SERVER_HTMLURL => 'http://127.0.0.1/', SERVER_CGIPATH => '/cgi-bin', SERVER_CGIURL => 'http://127.0.0.1/cgi-bin',
        SERVER_TABLIX_USER => '', SERVER_TABLIX_PASSWD => '', SERVER_HTMLEDITOR => '', SERVER_UPLOAD => 'Using FTP',
        SERVER_TEXTEDITOR => '', SERVER_CGIWRAP => 'None or Not Sure');
    my $text = '';
    while (my ($key, $value) = splice(@marked, 0, 2)) { $text .= "$key=$value\n0 0\n" }
    return $text . "SERVER_TABLIX_PERMISSION=0\nBUILD_PORTABLE=0\nFTP_PASSIVE=1\nDBASE_FILE=\n0 0\nDNS=\n0 0\n";
}

sub action_block {
    my ($name, $type, $columns, $criteria) = @_;
    my $text = "ACTION_TYPE=$type\nACTION_NAME=$name\nACTION_DSN=db\nACTION_TABLE=people\nACTION_NROWS=10\n";
    $text .= 'ACTION_COLNUM=' . @$columns . "\n";
    for my $c (@$columns) {
        $text .= "ACTION_COL_TBLNAME=$c->[0]\nACTION_COL_COLNAME=$c->[1]\nACTION_COL_COLATTR=0\n"
            . "ACTION_COL_COLFUNC=$c->[2]\nACTION_COL_COLVAL=$c->[3]\nACTION_COL_COLHDR=\n";
    }
    $text .= 'CRITERIA_NUMCRIS=' . @$criteria . "\n";
    for my $c (@$criteria) {
        my ($table, $column, @cells) = @$c;
        $text .= "CRITERIA_TBLNAME=$table\nCRITERIA_COLNAME=$column\nCRITERIA_NUMORS=" . @cells . "\n";
        $text .= "CRITERIA_OP=$_->[0]\nCRITERIA_COLVAL=$_->[1]\n" for @cells;
    }
    return $text;
}

my $project = settings_block() . "FORM_FILE=people.html\n0 0\nFORM_NAME=people\n0 0\nTRANSDEF_NUM=1\n"
    . "TRANSDEF_NAME=Run\nACTION_NUM=" . @cases . "\n";
$project .= action_block(@$_) for @cases;
$project =~ s/\n/\r\n/g;
open(my $prj, '>', "$dir/people.prj") or die;
binmode $prj;
print $prj $project;
close $prj;

# ---- the statements --------------------------------------------------------

my %sql;
{
    open(my $out, '-|', $cli, 'sql', "$dir/people.prj") or die "cannot run $cli: $!";
    my $last;
    while (my $line = <$out>) {
        chomp $line;
        if ($line =~ /^Run\t(\w+)\t(.*)$/) { $last = $1; $sql{$last} = $2 }
        elsif (defined $last) { $sql{$last} .= "\n$line" }
    }
    close $out;
    is($?, 0, 'quillet-cli sql succeeds');
    is(scalar(keys %sql), scalar(@cases), 'one statement per record action');
}

# ---- the database ------------------------------------------------------------

my $server_pid;

sub free_port {
    my $socket = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 1) or die $!;
    my $port = $socket->sockport;
    close $socket;
    return $port;
}

sub start_mariadb {
    my $port = free_port();
    mkdir "$dir/data" or die;
    $server_pid = fork();
    die "fork: $!" unless defined $server_pid;
    if ($server_pid == 0) {
        open(STDOUT, '>', "$dir/mariadb.out");
        open(STDERR, '>&', \*STDOUT);
        exec('mariadbd', '--no-defaults', "--datadir=$dir/data", "--socket=$dir/mariadb.sock", "--port=$port",
             '--bind-address=127.0.0.1', '--user=root', '--skip-grant-tables', '--skip-name-resolve',
             '--innodb-buffer-pool-size=16M', "--pid-file=$dir/mariadb.pid", "--log-error=$dir/mariadb.err");
        exit 127;
    }
    for (1 .. 150) {
        my $dbh = DBI->connect("DBI:mysql:host=127.0.0.1;port=$port", 'root', '', {PrintError => 0});
        if ($dbh) {
            $dbh->do('CREATE DATABASE quillet') or die $dbh->errstr;
            $dbh->disconnect;
            return DBI->connect("DBI:mysql:database=quillet;host=127.0.0.1;port=$port", 'root', '',
                                {RaiseError => 1, PrintError => 0});
        }
        sleep 0.1;
    }
    die "mariadbd did not come up\n";
}

END {
    if ($server_pid) {
        kill 'TERM', $server_pid;
        waitpid($server_pid, 0);
    }
}

my $db = $driver eq 'mysql' ? start_mariadb()
    : DBI->connect("DBI:SQLite:dbname=$dir/people.db", '', '', {RaiseError => 1, PrintError => 0});

$db->do('CREATE TABLE people (id INT, name VARCHAR(40), city VARCHAR(40), age INT)');
my @people = ([1, 'Ann', 'Paris', 30], [2, 'Bob', 'London', 17], [3, 'Cid', 'Paris', 45], [4, 'Dee', 'Rome', 22],
              [5, "O'Neil", 'London', 60]);
$db->do('INSERT INTO people VALUES (?, ?, ?, ?)', undef, @$_) for @people;

# The form a visitor submitted; the generated script keeps it in %FORM.
our %FORM = (name => ["O'Neil"], pattern => ['%e%'], lo => ['18'], hi => ['30'], city => ['Paris'], q => ['e'],
             new_id => ['6'], new_name => ['Eve "quoted" \\ back'], new_city => ['Kyiv'], new_age => ['33']);

sub run {
    my ($name, $change) = @_;
    my $text = $sql{$name};
    my $statement = eval qq{"$text"};
    die "statement of $name is no Perl string: $@\n$text\n" if $@;
    my $rows = eval { $change ? [[$db->do($statement)]] : $db->selectall_arrayref($statement) };
    fail("$name: $statement\n$@") unless $rows;
    return $rows || [];
}

sub flat {
    my ($rows, $ordered) = @_;
    my @lines = map { join('|', map { /^-?\d+\.\d+$/ ? sprintf('%g', $_) : $_ } @$_) } @$rows;
    return $ordered ? \@lines : [sort @lines];
}

my %expected = (
    eq_number => ['1'], ne_number => [qw(2 3 4 5)], gt_lt => [qw(1 4)], ge_le => [qw(1 3 4)], eq_form => ['5'],
    like => ['3'], like_form => [qw(4 5)], between => [qw(1 3 4)], between_form => [qw(1 4)],
    in_numbers => [qw(1 3 5)], in_strings => [qw(1 3 4)], in_form => [qw(1 3 4)], not_in => [qw(1 3 4)],
    among => [qw(4 5)], or_rows => [qw(2 3 4 5)], and_terms => ['1'], empty_grid => [qw(1 2 3 4 5)],
    select_typed => [qw(7 8)],
    group_count => ['London|2', 'Paris|2', 'Rome|1'], aggregates => ['34.8'], max_min_sum => ['60|1|5'],
);
my %ordered = (order_desc => ["O'Neil", 'Dee', 'Cid', 'Bob', 'Ann'],
               order_two => ['London|60', 'London|17', 'Paris|45', 'Paris|30', 'Rome|22']);

my %later = map { ($_ => 1) } qw(select_typed);
for my $name (grep { !$later{$_} } sort keys %expected) {
    is_deeply(flat(run($name)), [sort @{$expected{$name}}], "$name: $sql{$name}");
}
for my $name (sort keys %ordered) {
    is_deeply(flat(run($name), 1), $ordered{$name}, "$name: $sql{$name}");
}

my $everybody = 'SELECT id, name, city, age FROM people ORDER BY id';
run('insert', 1);
is_deeply($db->selectall_arrayref($everybody)->[5], [6, 'Eve "quoted" \\ back', 'Kyiv', 33],
          "insert: $sql{insert}");
run('update', 1);
is_deeply($db->selectall_arrayref($everybody)->[5], [6, 'Eve "quoted" \\ back', 'Oslo', 34],
          "update: $sql{update}");
run('delete', 1);
is_deeply([map { $_->[0] } @{$db->selectall_arrayref($everybody)}], [1, 2, 3, 4], "delete: $sql{delete}");

run('insert_typed', 1);
run('insert_more', 1);
my $typed = 'SELECT id, name, city FROM people WHERE id > 6 ORDER BY id';
is_deeply($db->selectall_arrayref($typed), [[7, q{O'Brien}, q{bob@example.com}], [8, q{cost $5}, q{a"b}]],
          "typed values: $sql{insert_typed}");
is_deeply(flat(run('select_typed')), [7, 8], "select_typed: $sql{select_typed}");
run('update_typed', 1);
run('delete_typed', 1);
is_deeply($db->selectall_arrayref($typed), [[7, q{O'Brien}, q{cost $5}]], "$sql{update_typed}\n$sql{delete_typed}");

$db->disconnect;
done_testing();
