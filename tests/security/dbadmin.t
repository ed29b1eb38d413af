# The administration script as a publish deploys it, attacked over HTTP: every
# request it must refuse is refused and leaves the site as it was.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../runtime/lib";
use RuntimeTest;
use Test::More;
use File::Copy qw(copy);
use File::Find qw(find);
use File::Path qw(make_path);
use HTTP::Tiny;

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
plan skip_all => 'lighttpd is not installed' unless grep { -x "$_/lighttpd" } split(/:/, $ENV{PATH}), '/usr/sbin';

my $dir = temp_dir();
my ($root, $project) = ("$dir/www", "$dir/project");
make_path($root, "$project/templates");
$ENV{QUILLET_HOME} = "$dir/home";
my $example = "$FindBin::Bin/../../examples/guestbook";
copy("$example/$_", "$project/$_") or die "$_: $!"
    for qw(guestbook.html guestbook.prj templates/thanks.html templates/entries.html);
system("'$cli' build '$project/guestbook.prj' >/dev/null") == 0 or die 'quillet-cli build failed';
deploy_uploads($cli, "$project/guestbook.prj", $root);
make_path("$root/cgi-bin/data");
my ($secret) = read_file("$root/cgi-bin/dbadmin.cgi") =~ /^my \$SECRET = '([0-9a-f]+)';$/m;
is(length($secret // ''), 32, 'the deployed copy carries a 128-bit secret');

my $port = free_port();
my $server = start_lighttpd($dir, $root, $port);
END { stop_server($server) if $server }
ok(wait_port($port), 'lighttpd listens') or BAIL_OUT('lighttpd did not start');

my $http = HTTP::Tiny->new(timeout => 20);
my $url = "http://127.0.0.1:$port/cgi-bin/dbadmin.cgi";
my $create = 'Create Table T(a INT)';

sub request {
    my ($method, %p) = @_;
    my $body = join('&', map { "$_=" . HTTP::Tiny->new->www_form_urlencode({ x => $p{$_} }) =~ s/^x=//r }
        grep { defined $p{$_} } qw(driver database host port user passwd sqlstr secret));
    return $method eq 'GET'
        ? $http->get("$url?$body")
        : $http->post($url, { content => $body, headers => { 'content-type' => 'application/x-www-form-urlencoded' } });
}

sub site_files {
    my @files;
    find(sub { push @files, $File::Find::name }, $root);
    return join("\n", sort(@files), -e '/tmp/outside.db' ? '/tmp/outside.db' : ());
}

my %sqlite = (driver => 'SQLite', database => 'guestbook.db', host => '', port => 0, sqlstr => $create);
my $before = site_files();
my @refused = (
    ['no secret', 'POST', %sqlite],
    ['a wrong secret', 'POST', %sqlite, secret => 'f' x 32],
    ['the secret shortened', 'POST', %sqlite, secret => substr($secret, 0, 31)],
    ['a GET with the secret', 'GET', %sqlite, secret => $secret],
);
for my $case (@refused) {
    my ($what, $method, %p) = @$case;
    is(request($method, %p)->{status}, 403, "$what: 403");
}
for my $case (
    ['ATTACH', sqlstr => "ATTACH '../dump.bin' AS d"],
    ['a row read into a table', sqlstr => 'Create Table D AS SELECT * FROM sqlite_master'],
    ['a database beside the pages', database => '../planted.html'],
    ['a database outside the site', database => '/tmp/outside.db'],
    ['a database through a link', database => 'link.db'],
    ['a MySQL host the project does not name', driver => 'mysql', host => 'attacker.example'])
{
    my ($what, %p) = @$case;
    symlink("$root/htdocs/guestbook.html", "$root/cgi-bin/data/link.db") if $p{database} && $p{database} eq 'link.db';
    my $r = request('POST', %sqlite, secret => $secret, %p);
    ok($r->{status} != 200 || $r->{content} =~ /^errstr=/, "$what: refused");
    unlink "$root/cgi-bin/data/link.db";
}
is(site_files(), $before, 'nothing was written by the refused requests');

my $r = request('POST', %sqlite, secret => $secret);
is("$r->{status} $r->{content}", '200 ', 'the right secret creates the table');
ok(-s "$root/cgi-bin/data/guestbook.db", 'in the data folder');
like(request('POST', %sqlite, secret => $secret)->{content}, qr/^errstr=table T already exists\r\n$/,
    'the database refusal comes back as an errstr line');

done_testing;
