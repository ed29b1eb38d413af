#!/usr/bin/perl
# Creates, alters and drops tables for Quillet's table designer.
#
# Request: an application/x-www-form-urlencoded POST with driver, database,
# host, port, user, passwd, one or more sqlstr, and secret.
# Answer: status 200 with an empty body when every statement succeeded, one
# "errstr=<error>\r\n" line per refused statement, or a failed request (no
# answer header) when the connection cannot be made. A request that is not a
# POST, or that lacks this copy's secret, gets 403 and touches nothing.
#
# Each deployed copy carries its own secret and the database hosts of its
# project, written in below by the program; the copy inside the program holds
# none and so refuses every request. Only table statements run; an SQLite
# database must lie in the data folder beside this script.

use strict;
use warnings;
use DBI;

my $SECRET = '';
my @HOSTS  = ();

my $MAX_BODY = 10 * 1024 * 1024;
my %DRIVERS  = (SQLite => 'file', mysql => 'host', MariaDB => 'host', Pg => 'host');

sub refuse {
    binmode STDOUT;
    print "Status: 403 Forbidden\r\nContent-type: text/plain\r\n\r\nForbidden\n";
    exit 0;
}

sub form_decode {
    my ($text) = @_;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

sub read_request {
    refuse() unless uc($ENV{REQUEST_METHOD} || '') eq 'POST';
    my $length = $ENV{CONTENT_LENGTH} || 0;
    refuse() if $length !~ /^\d+$/ || $length > $MAX_BODY;
    my $body = '';
    binmode STDIN;
    while (length($body) < $length) {
        my $got = read(STDIN, $body, $length - length($body), length($body));
        last unless $got;
    }
    my %param;
    for my $pair (split /&/, $body) {
        my ($name, $value) = split /=/, $pair, 2;
        push @{ $param{ form_decode($name) } }, form_decode(defined $value ? $value : '');
    }
    return \%param;
}

sub first {
    my ($param, $name) = @_;
    my $value = $param->{$name} ? $param->{$name}[0] : '';
    return defined $value ? $value : '';
}

# Looks at every byte of the secret whatever the guess, so the time taken
# tells nothing about how much of a guess was right.
sub secret_matches {
    my ($given) = @_;
    return 0 unless $SECRET =~ /^[0-9a-f]{32,}$/ && defined $given;
    my $diff = length($given) ^ length($SECRET);
    for my $i (0 .. length($SECRET) - 1) {
        $diff |= ord(substr($SECRET, $i, 1)) ^ ord($i < length($given) ? substr($given, $i, 1) : "\0");
    }
    return $diff == 0;
}

sub script_folder {
    my $file = $ENV{SCRIPT_FILENAME} || '';
    return $1 if $file =~ m{^(.*)/[^/]*$} && $1 ne '';
    require Cwd;
    return Cwd::getcwd();
}

# The database file, inside the data folder and never through a link; a
# relative name is taken in that folder, as the generated scripts take it.
sub sqlite_file {
    my ($database) = @_;
    require Cwd;
    my $data = script_folder() . '/data';
    my $path = $database =~ m{^/} ? $database : "$data/$database";
    my ($folder, $name) = $path =~ m{^(.*)/([^/]+)$} ? ($1, $2) : ('', '');
    my $base = -d $data ? Cwd::realpath($data) : undef;
    my $inside = $folder eq $data
        || (defined $base && $folder ne '' && (Cwd::realpath($folder) // '') eq $base);
    die "errstr=An SQLite database must lie in the data folder\n" unless $inside && $name =~ /^\w[\w.\-]*$/;
    mkdir $data, 0755 unless -d $data;
    $base = Cwd::realpath($data);
    die "errstr=An SQLite database must lie in the data folder\n" if !defined $base || -l "$base/$name";
    return "$base/$name";
}

sub data_source {
    my ($param) = @_;
    my ($driver, $database, $host, $port) = map { first($param, $_) } qw(driver database host port);
    die "errstr=Can't connect to datasource: the driver $driver is not allowed\n"
        unless $driver =~ /^\w+$/ && $DRIVERS{$driver};
    for ($database, $host) {
        die "errstr=Can't connect to datasource: \";\" is not allowed in a database or host name\n" if /;/;
    }
    if ($DRIVERS{$driver} eq 'file') {
        return "DBI:$driver:database=" . sqlite_file($database);
    }
    die "errstr=Can't connect to datasource: the host $host is not one of the project's\n"
        unless grep { lc($_) eq lc($host) } @HOSTS;
    my $dsn = "DBI:$driver:database=$database";
    $dsn .= ";host=$host" if $host ne '';
    $dsn .= ";port=$port" if $port =~ /^\d+$/ && $port != 0;
    return $dsn;
}

# The text of a statement outside its quoted strings and names, or undef when
# it holds a comment or a second statement. MySQL lets a backslash escape a
# quote; the other databases do not.
sub unquoted_text {
    my ($sql, $backslash) = @_;
    $sql =~ s/;\s*\z//;
    my ($outside, $quote) = ('', '');
    for (my $i = 0; $i < length $sql; ++$i) {
        my $c = substr($sql, $i, 1);
        if ($quote ne '') {
            if ($backslash && $c eq '\\') { ++$i }
            elsif ($c eq $quote) { $quote = '' }
            next;
        }
        if ($c eq "'" || $c eq '"' || $c eq '`') { $quote = $c; $outside .= ' '; next }
        return undef if $c eq ';' || $c eq '#' || substr($sql, $i, 2) =~ m{^(?:--|/\*)};
        $outside .= $c;
    }
    return $quote eq '' ? $outside : undef;
}

# Table definitions only: nothing that reads rows, attaches files or runs a
# second statement.
sub table_statement {
    my ($sql, $driver) = @_;
    my $text = unquoted_text($sql, $driver =~ /^(?:mysql|MariaDB)$/);
    return defined $text
        && $text =~ /^\s*(?:CREATE\s+(?:TEMPORARY\s+)?TABLE|DROP\s+TABLE|ALTER\s+TABLE)\s/i
        && $text !~ /\b(?:SELECT|ATTACH|DETACH|PRAGMA|VALUES|LOAD_FILE)\b/i
        && $text !~ /\bAS\s+(?:TABLE|EXECUTE)\b/i;
}

sub main {
    my $param = read_request();
    refuse() unless secret_matches(first($param, 'secret'));
    my $driver = first($param, 'driver');
    my @sql = grep {/\S/} @{ $param->{sqlstr} || [] };
    my @refused = grep { !table_statement($_, $driver) } @sql;
    if (@refused) {
        binmode STDOUT;
        print "Content-type: text/html\n\n";
        print "errstr=Only CREATE TABLE, ALTER TABLE and DROP TABLE statements are run\r\n" for @refused;
        return;
    }
    my $dsn = data_source($param);
    my $dbh = DBI->connect($dsn, first($param, 'user'), first($param, 'passwd'),
        { PrintError => 0, RaiseError => 0, AutoCommit => 1 });
    unless ($dbh) {
        print STDERR "errstr=Can't connect to datasource $dsn, please check database driver, host, port, "
            . "database name, user name and password information\n";
        exit 1;
    }
    binmode STDOUT;
    print "Content-type: text/html\n\n";
    for my $sql (@sql) {
        next if defined $dbh->do($sql);
        my $error = defined $dbh->errstr ? $dbh->errstr : 'unknown error';
        $error =~ s/[\r\n]+/ /g;
        print "errstr=$error\r\n";
    }
    $dbh->disconnect;
}

eval { main(); 1 } or do {
    print STDERR $@;
    exit 1;
};
