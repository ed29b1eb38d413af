#!/usr/bin/perl
# Runs SQL statements posted by Quillet's table designer against a database.
#
# Request (application/x-www-form-urlencoded POST, or the query string):
#   driver, database, host, port, user, passwd, and one or more sqlstr.
# Answer: status 200 with an empty body when every statement succeeded, one
# "errstr=<database error>\r\n" line per refused statement, or a failed
# request (no answer header) when the connection cannot be made.
#
# The data source name is built from word-only driver names and values that
# cannot add ";" attributes of their own.

use strict;
use warnings;
use DBI;

my $MAX_BODY = 10 * 1024 * 1024;

sub form_decode {
    my ($text) = @_;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

sub read_request {
    my $body = '';
    if (uc($ENV{REQUEST_METHOD} || 'GET') eq 'POST') {
        my $length = $ENV{CONTENT_LENGTH} || 0;
        die "errstr=Request too large\n" if $length !~ /^\d+$/ || $length > $MAX_BODY;
        binmode STDIN;
        while (length($body) < $length) {
            my $got = read(STDIN, $body, $length - length($body), length($body));
            last unless $got;
        }
    } else {
        $body = $ENV{QUERY_STRING} || '';
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

sub data_source {
    my ($param) = @_;
    my ($driver, $database, $host, $port) = map { first($param, $_) } qw(driver database host port);
    die "errstr=Can't connect to datasource: invalid driver name\n" unless $driver =~ /^\w+$/;
    for ($database, $host) {
        die "errstr=Can't connect to datasource: \";\" is not allowed in a database or host name\n" if /;/;
    }
    my $dsn = "DBI:$driver:database=$database";
    $dsn .= ";host=$host" if $host ne '';
    $dsn .= ";port=$port" if $port =~ /^\d+$/ && $port != 0;
    return $dsn;
}

sub main {
    my $param = read_request();
    my $dsn   = data_source($param);
    my $dbh   = DBI->connect($dsn, first($param, 'user'), first($param, 'passwd'),
        { PrintError => 0, RaiseError => 0, AutoCommit => 1 });
    unless ($dbh) {
        print STDERR "errstr=Can't connect to datasource $dsn, please check database driver, host, port, "
            . "database name, user name and password information\n";
        exit 1;
    }
    binmode STDOUT;
    print "Content-type: text/html\n\n";
    for my $sql (@{ $param->{sqlstr} || [] }) {
        next unless $sql =~ /\S/;
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
