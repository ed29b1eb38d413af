#!/usr/bin/perl
# Attacks each handler of the guestbook example under `quillet-cli preview`
# with sqlmap (level 5, risk 3, every parameter, SQLite) and says, per handler,
# whether any injection point was found. Takes minutes; not part of the tests.
#
#   perl tools/sqlmap-guestbook.pl
#
# QUILLET_CLI names the quillet-cli to use (default build/src/quillet-cli);
# sqlmap comes from the Debian package of that name. Exits 1 when sqlmap
# reports an injection point, 2 when it could not run.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../tests/runtime/lib";
use RuntimeTest;
use File::Copy qw(copy);
use File::Path qw(make_path);

my $cli = $ENV{QUILLET_CLI} || "$FindBin::Bin/../build/src/quillet-cli";
die "no quillet-cli at $cli; build first or set QUILLET_CLI\n" unless -x $cli;
my ($sqlmap) = grep { -x } map {"$_/sqlmap"} split /:/, $ENV{PATH};
die "sqlmap is not installed (apt-get install sqlmap)\n" unless $sqlmap;

my $dir = temp_dir();
my $project = "$dir/guestbook";
make_path("$project/templates", "$dir/home");
$ENV{QUILLET_HOME} = "$dir/home";
my $example = "$FindBin::Bin/../examples/guestbook";
copy("$example/$_", "$project/$_") or die "$_: $!" for qw(guestbook.html guestbook.prj);
copy("$example/templates/$_", "$project/templates/$_") or die "$_: $!" for qw(thanks.html entries.html);

my ($preview, $url, $site, $port) = start_preview($cli, "$project/guestbook.prj", $dir);
END { stop_server($preview) if $preview }
die 'the preview did not start: ' . (read_file("$dir/preview.err") // '') unless $url;
my $script = "http://127.0.0.1:$port/cgi-bin/guestbook.cgi";

# One submission of each button, as the page sends it; every field is a parameter.
my %handlers = (
    Sign => 'name=Ann&email=ann%40example.org&visit=first&topic=praise&news=yes&message=hello&Sign=Sign',
    Show => 'name=Ann&email=&visit=first&topic=praise&message=&Show=Show',
);
my $found = 0;
for my $handler (sort keys %handlers) {
    my $log = "$dir/sqlmap-$handler.log";
    system("'$sqlmap' -u '$script' --data='$handlers{$handler}' --method=POST --dbms=SQLite --level=5 --risk=3 "
            . "--batch --flush-session --disable-coloring --output-dir='$dir/sqlmap' >'$log' 2>&1");
    my $text = read_file($log) // '';
    my $verdict =
          $text =~ /identified the following injection point/ ? 'INJECTABLE'
        : $text =~ /all tested parameters do not appear to be injectable/ ? 'no injection point'
        : 'inconclusive';
    my $requests = () = $text =~ /testing '/g;
    printf "%-5s %s (%d techniques tried)\n", $handler, $verdict, $requests;
    print $text if $verdict ne 'no injection point';
    $found ||= $verdict eq 'INJECTABLE' ? 1 : $verdict eq 'inconclusive' ? 2 : 0;
}
exit $found;
