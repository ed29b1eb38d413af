# dbadmin.cgi: statements posted by the table designer, against SQLite and a
# MariaDB server started for the test.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use DBI;
use POSIX ();
use Time::HiRes qw(sleep);

my $dir    = temp_dir();
my $secret = '0123456789abcdef' x 2;
my $script = read_file(runtime_dir() . '/dbadmin.cgi');
$script =~ s/^my \$SECRET = '';/my \$SECRET = '$secret';/m or die 'no secret line';
$script =~ s/^my \@HOSTS  = \(\);/my \@HOSTS  = ('127.0.0.1');/m or die 'no hosts line';

sub encode {
    my ($text) = @_;
    $text =~ s/([^\w ])/sprintf('%%%02x', ord $1)/ge;
    $text =~ tr/ /+/;
    return $text;
}

sub post {
    my (%p) = @_;
    my @sql  = @{ delete $p{sqlstr} || [] };
    my $body = join('&', map { "$_=" . encode($p{$_} // '') } qw(driver database host)) . '&port=' . ($p{port} // 0)
        . join('', map { "&$_=" . encode($p{$_} // '') } qw(user passwd)) . join('', map { '&sqlstr=' . encode($_) } @sql)
        . "&secret=$secret";
    return run_cgi(dir => $dir, name => 'dbadmin.cgi', script => $script, stdin => $body,
        env => { SCRIPT_FILENAME => "$dir/dbadmin.cgi" });
}

# A relative SQLite name is taken in the data folder beside the script.
my %sqlite = (driver => 'SQLite', database => 'shop.db', host => '', port => 0);
my $ok = "Content-type: text/html\n\n";

subtest 'SQLite' => sub {
    my $only = 'errstr=Only CREATE TABLE, ALTER TABLE and DROP TABLE statements are run';
    my @cases = (
        [['Create Table T(a INT, b VARCHAR(20) DEFAULT \'x; SELECT y\')'], $ok, 'create succeeds with an empty answer'],
        [['Create Table T(a INT)'], qr/^\Q$ok\Eerrstr=table T already exists\r\n$/, 'existing table: errstr line'],
        [['Drop Table T', 'Create Table T(a INT);', 'Create Table T(c INT)', 'Alter Table T Add b INT'],
            qr/^\Q$ok\Eerrstr=table T already exists\r\n$/, 'statements run in order, one line per refusal'],
        [['   '], $ok, 'blank statement ignored'],
        # Anything but a table statement refuses the whole request.
        [['Drop Table T', 'INSERT INTO T VALUES (1)'], "$ok$only\r\n", 'a row statement'],
        [["ATTACH 'x.db' AS x"], "$ok$only\r\n", 'ATTACH'],
        [['Create Table U(a INT); DROP TABLE T'], "$ok$only\r\n", 'a second statement'],
        [['Create Table U AS SELECT * FROM T'], "$ok$only\r\n", 'a table made from rows'],
        [["Create Table U(a INT) /* ' */ SELECT 1 /* ' */"], "$ok$only\r\n", 'a comment hiding a quote'],
    );
    for my $case (@cases) {
        my ($sql, $want, $what) = @$case;
        my ($out, $err, $status) = post(%sqlite, sqlstr => $sql);
        ref $want ? like($out, $want, $what) : is($out, $want, $what);
        is($status, 0, "$what: exit status");
    }
    my $dbh = DBI->connect("DBI:SQLite:database=$dir/data/shop.db", '', '');
    is_deeply($dbh->selectcol_arrayref("SELECT name FROM sqlite_master WHERE type = 'table'"), ['T'], 'only T exists');
    is_deeply([map { $_->[1] } @{ $dbh->selectall_arrayref('PRAGMA table_info(T)') }], [qw(a b)], 'T was altered');
};

subtest 'refused requests' => sub {
    my @cases = (
        [{ %sqlite, database => "$dir/a.db;host=x" }, qr/^errstr=.*not allowed/, 'a database name cannot add attributes'],
        [{ %sqlite, driver => 'SQLite(RaiseError=>1)' }, qr/^errstr=.*driver SQLite\(RaiseError=>1\) is not allowed/, 'driver must be a name'],
        [{ driver => 'mysql', database => 'd', host => '127.0.0.1', port => free_port(), user => 'u' },
            qr/^errstr=Can't connect to datasource DBI:mysql:database=d;host=127\.0\.0\.1;port=\d+, please check database driver, host, port, database name, user name and password information/,
            'no connection: host and port in the data source name'],
        [{ driver => 'mysql', database => 'd', host => 'db.example.org', user => 'u' }, qr/^errstr=.*host db\.example\.org is not one of the project's/,
            'a host the project does not name'],
        [{ %sqlite, driver => 'ODBC' }, qr/^errstr=.*driver ODBC is not allowed/, 'a driver other than SQLite, MySQL or PostgreSQL'],
    );
    for my $case (@cases) {
        my ($params, $want, $what) = @$case;
        my ($out, $err, $status) = post(%$params, sqlstr => ['Create Table X(a INT)']);
        is($out, '', "$what: no answer header");
        isnt($status, 0, "$what: failure status");
        like($err, $want, "$what: message");
    }
};

sub start_mariadb {
    my $data = "$dir/mariadb";
    system("mariadb-install-db --no-defaults --datadir=$data --auth-root-authentication-method=normal "
            . "--skip-test-db --user=" . getpwuid($<) . " >$dir/install.log 2>&1") == 0 or return;
    my $port = free_port();
    my $pid  = fork();
    if ($pid == 0) {
        open(STDOUT, '>', "$dir/mariadb.log"); open(STDERR, '>&', \*STDOUT);
        exec('mariadbd', '--no-defaults', "--datadir=$data", "--socket=$dir/mariadb.sock", "--port=$port",
            '--bind-address=127.0.0.1', '--skip-name-resolve', '--user=' . getpwuid($<), "--pid-file=$dir/mariadb.pid")
            or POSIX::_exit(127);
    }
    for (1 .. 100) {
        my $dbh = DBI->connect("DBI:mysql:database=mysql;host=127.0.0.1;port=$port", 'root', '', { PrintError => 0 });
        return ($pid, $port, $dbh) if $dbh;
        sleep 0.1;
    }
    kill 'TERM', $pid;
    return;
}

SKIP: {
    skip 'MariaDB is not installed', 1 unless grep { -x "$_/mariadbd" } split /:/, "$ENV{PATH}:/usr/sbin";
    local $ENV{PATH} = "$ENV{PATH}:/usr/sbin";
    my ($pid, $port, $dbh) = start_mariadb();
    ok($pid, 'MariaDB started') or skip 'MariaDB did not start', 1;
    $dbh->do('CREATE DATABASE shop');
    my %maria = (driver => 'mysql', database => 'shop', host => '127.0.0.1', port => $port, user => 'root', passwd => '');
    subtest 'MariaDB' => sub {
        my ($out) = post(%maria, sqlstr => ['Create Table Orders (id INT NOT NULL, note VARCHAR(40))']);
        is($out, $ok, 'create');
        ($out) = post(%maria, sqlstr => ['Create Table Orders (id INT)']);
        like($out, qr/^\Q$ok\Eerrstr=Table 'Orders' already exists\r\n$/, 'existing table');
        ($out) = post(%maria, sqlstr => ['Drop Table Orders', 'Create Table Orders (id INT)']);
        is($out, $ok, 'drop and create again');
        my ($o, $err, $status) = post(%maria, passwd => 'wrong', sqlstr => ['Create Table Y (a INT)']);
        like($err, qr/^errstr=Can't connect to datasource DBI:mysql:database=shop;host=127\.0\.0\.1;port=$port,/, 'wrong password');
        is($o, '', 'no answer header');
    };
    $dbh->disconnect;
    kill 'TERM', $pid;
    waitpid($pid, 0);
}

done_testing;
