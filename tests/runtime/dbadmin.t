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
my $script = read_file(runtime_dir() . '/dbadmin.cgi');

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
        . join('', map { "&$_=" . encode($p{$_} // '') } qw(user passwd)) . join('', map { '&sqlstr=' . encode($_) } @sql);
    return run_cgi(dir => $dir, name => 'dbadmin.cgi', script => $script, stdin => $body);
}

my %sqlite = (driver => 'SQLite', database => "$dir/shop.db", host => '', port => 0);
my $ok = "Content-type: text/html\n\n";

subtest 'SQLite' => sub {
    my @cases = (
        [['Create Table T(a INT, b VARCHAR(20) DEFAULT \'x y\')'], $ok, 'create succeeds with an empty answer'],
        [['Create Table T(a INT)'], qr/^\Q$ok\Eerrstr=table T already exists\r\n$/, 'existing table: errstr line'],
        [['Drop Table T', 'Create Table T(a INT)', 'nonsense', 'INSERT INTO T VALUES (1)'],
            qr/^\Q$ok\Eerrstr=[^\r\n]*syntax error\r\n$/, 'statements run in order, one line per refusal'],
        [['   '], $ok, 'blank statement ignored'],
    );
    for my $case (@cases) {
        my ($sql, $want, $what) = @$case;
        my ($out, $err, $status) = post(%sqlite, sqlstr => $sql);
        ref $want ? like($out, $want, $what) : is($out, $want, $what);
        is($status, 0, "$what: exit status");
    }
    my $dbh = DBI->connect("DBI:SQLite:database=$dir/shop.db", '', '');
    is($dbh->selectrow_array('SELECT a FROM T'), 1, 'the insert after the refused statement ran');
};

subtest 'refused requests' => sub {
    my @cases = (
        [{ %sqlite, database => "$dir/missing/x.db" },
            qr/^errstr=Can't connect to datasource DBI:SQLite:database=\Q$dir\E\/missing\/x\.db, please check database driver, host, port, database name, user name and password information/,
            'no connection'],
        [{ %sqlite, database => "$dir/a.db;host=x" }, qr/^errstr=.*not allowed/, 'a database name cannot add attributes'],
        [{ %sqlite, driver => 'SQLite(RaiseError=>1)' }, qr/^errstr=.*invalid driver/, 'driver must be a name'],
        [{ driver => 'mysql', database => 'd', host => '127.0.0.1', port => free_port(), user => 'u' },
            qr/datasource DBI:mysql:database=d;host=127\.0\.0\.1;port=\d+, please/, 'host and port in the data source name'],
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
