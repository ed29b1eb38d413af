#!/usr/bin/perl
# Uploaded for a moment by the server check, then removed: tells what the
# server offers the generated scripts, one "key: value" line each.
use strict;
use warnings;

my $body = '';
read(STDIN, $body, $ENV{CONTENT_LENGTH} || 0) if ($ENV{REQUEST_METHOD} || '') eq 'POST';
my (@dbd, @mail);
for my $pair (split /&/, $body) {
    my ($key, $value) = split /=/, $pair, 2;
    next unless defined $value;
    $value =~ tr/+/ /;
    $value =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    $value =~ s/[\r\n]//g;
    push @dbd,  $value if $key eq 'dbd' && $value =~ /^\w+$/;
    push @mail, $value if $key eq 'mail';
}

print "Content-Type: text/plain\r\n\r\n";
print "perl: $^V\r\n";
print "perlpath: $^X\r\n";
for my $module ('DBI', map {"DBD::$_"} @dbd) {
    my $version = eval "require $module; \$${module}::VERSION || '?'";
    print "module $module: ", (defined $version ? "ok $version" : 'missing'), "\r\n";
}
my $folder = $ENV{SCRIPT_FILENAME} || $0;
$folder =~ s{[/\\][^/\\]*$}{};
$folder .= '/data';
my $file = "$folder/.check$$";
my $out;
my $writable = open($out, '>', $file) && close($out) && unlink($file);
print "data: ", ($writable ? 'writable' : "not writable ($!)"), " $folder\r\n";
for my $program (@mail) {
    my $found = -f $program ? (-x $program ? 'ok' : 'not executable') : 'missing';
    print "mail $program: $found\r\n";
}
print "time: ", time, "\r\n";
