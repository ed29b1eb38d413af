#!/usr/bin/perl
# Stands in for the administration script: logs each request body on a line
# of its own and answers the n-th request with the file "answer<n>" beside it
# (a first line "STATUS nnn" sets the status), else with an empty page.
use strict;
use warnings;

my $dir = $0;
$dir =~ s{[^/]*$}{};
binmode STDIN;
my $body   = '';
my $length = $ENV{CONTENT_LENGTH} || 0;
read(STDIN, $body, $length) if $length;
open my $log, '>>', "${dir}bodies.log" or die "bodies.log: $!";
binmode $log;
print $log "$body\n";
close $log;
open my $count, '<', "${dir}bodies.log" or die;
my $n = () = <$count>;
close $count;
my $answer = '';
if (open my $in, '<', "${dir}answer$n") {
    binmode $in;
    local $/;
    $answer = <$in>;
    close $in;
}
my $status = $answer =~ s/^STATUS (\d+)\n// ? $1 : 200;
binmode STDOUT;
print "Status: $status\r\nContent-type: text/plain\r\n\r\n$answer";
