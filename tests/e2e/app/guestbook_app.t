# The guestbook example as a user would ship it: built by quillet-cli, every
# file of its upload list put where a publish puts it, served by lighttpd.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../../runtime/lib";
use RuntimeTest;
use Test::More;
use DBI;
use HTTP::Tiny;
use File::Copy qw(copy);
use File::Path qw(make_path);
use POSIX ();

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
my $lighttpd = (grep { -x } map {"$_/lighttpd"} split(/:/, $ENV{PATH}), '/usr/sbin')[0];
plan skip_all => 'lighttpd is not installed' unless $lighttpd;

my $dir = temp_dir();
my $root = "$dir/www";
my $project = "$dir/project";
make_path($root, "$project/templates");
$ENV{QUILLET_HOME} = "$dir/home";
my $port = free_port();

# The example with its addresses pointed at this server.
my $example = "$FindBin::Bin/../../../examples/guestbook";
copy("$example/$_", "$project/$_") or die "$_: $!" for qw(guestbook.html guestbook.prj);
copy("$example/templates/$_", "$project/templates/$_") or die "$_: $!" for qw(thanks.html entries.html);
my $prj = read_file("$project/guestbook.prj");
$prj =~ s{http://127\.0\.0\.1:8080}{http://127.0.0.1:$port}g;
write_file("$project/guestbook.prj", $prj);

is(system($cli, 'build', "$project/guestbook.prj"), 0, 'quillet-cli build');
my $script = read_file("$project/scripts/guestbook.cgi");
like($script, qr/\A#!\/usr\/bin\/perl\n/, 'the script starts with its interpreter line');
like(read_file("$project/guestbook.html"), qr{ACTION="http://127\.0\.0\.1:$port/cgi-bin/guestbook\.cgi"},
    'the page posts to the script');

# Deploy what the upload list names, with its permissions.
my $files = deploy_uploads($cli, "$project/guestbook.prj", $root);
cmp_ok($files, '>=', 8, 'the upload list names page, script, modules and templates');
ok(-x "$root/cgi-bin/guestbook.cgi", 'the script is executable');
is(system($^X, '-c', "-I$root/cgi-bin", "$root/cgi-bin/guestbook.cgi"), 0, 'the script compiles beside its modules');

make_path("$root/cgi-bin/data");
my $db = DBI->connect("DBI:SQLite:database=$root/cgi-bin/data/guestbook.db", '', '', { RaiseError => 1 });
$db->do('CREATE TABLE entries (id INTEGER PRIMARY KEY, name VARCHAR(80) NOT NULL, email VARCHAR(120), message TEXT)');

my $server = start_lighttpd($dir, $root, $port);
END { stop_server($server) if $server }
ok(wait_port($port), 'lighttpd listens') or BAIL_OUT('lighttpd did not start');

my $http = HTTP::Tiny->new(timeout => 20, max_redirect => 0);
my $url = "http://127.0.0.1:$port/cgi-bin/guestbook.cgi";

subtest 'a visit without a button gets the information page' => sub {
    my $r = $http->get($url);
    is($r->{status}, 200) or diag(read_file("$dir/error.log"));
    like($r->{content}, qr/<html/i);
};

subtest 'signing stores the entry and thanks the visitor' => sub {
    my $r = $http->post_form($url, [name => "Ann <b>", email => 'ann@example.org', message => "It's lovely", Sign => 'Sign']);
    is($r->{status}, 200) or diag($r->{content} . read_file("$dir/error.log"));
    like($r->{content}, qr/Thank you, Ann &lt;b&gt;!/, 'the template is filled, the value escaped');
    is_deeply($db->selectall_arrayref('SELECT name, email, message FROM entries'),
        [["Ann <b>", 'ann@example.org', "It's lovely"]], 'the row holds the values as typed');
};

subtest 'showing lists the entries' => sub {
    $http->post_form($url, [name => 'Bob', email => '', message => 'Hello', Sign => 'Sign']);
    my $r = $http->post_form($url, [Show => 'Show entries']);
    is($r->{status}, 200);
    like($r->{content}, qr/<h1>Guestbook<\/h1>/);
    like($r->{content}, qr/Ann &lt;b&gt;.*Bob/s, 'both entries in the report, in order');
};

# A real browser submitting the published page, where Chromium is at hand.
SKIP: {
    skip 'Chromium or playwright-core is not installed', 1 unless have_browser();
    subtest 'Chromium signs the published page' => sub {
        my $pages = browse({ url => "http://127.0.0.1:$port/htdocs/guestbook.html",
            steps => [{ fill => { name => 'Chris', email => 'chris@example.org', message => 'Browser' }, click => 'Sign' }] });
        like($pages->[0]{text}, qr/Thank you, Chris!/, 'the browser shows the filled template');
        is($db->selectrow_array("SELECT message FROM entries WHERE name = 'Chris'"), 'Browser', 'the row arrived');
    };
}

done_testing();
