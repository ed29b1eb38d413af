# A project made around a page the user already has, in one command, then tried
# as a user tries it: quillet-cli new --page, quillet-cli preview, and Chromium
# submitting text with accents, quotes and angle brackets, which is stored and
# shown exactly as typed. A project that would not work is refused.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../../runtime/lib";
use RuntimeTest;
use Test::More;
use DBI;
use Encode ();
use JSON::PP;
use File::Path ();
use POSIX ();
use Time::HiRes qw(sleep);

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
plan skip_all => 'lighttpd is not installed' unless grep { -x "$_/lighttpd" } split(/:/, $ENV{PATH}), '/usr/sbin';
plan skip_all => 'Chromium or playwright-core is not installed'
    unless -x '/usr/bin/chromium' && -d "$FindBin::Bin/../browser/node_modules/playwright-core";

my $dir = temp_dir();
$ENV{QUILLET_HOME} = "$dir/home";
$ENV{XDG_CONFIG_HOME} = "$dir/config";

# Runs a program without a shell; returns what it printed, its exit status in $?.
sub run {
    my (@command) = @_;
    open(my $fh, '-|') // die "fork: $!" or do {
        open(STDERR, '>&', \*STDOUT);
        exec(@command) or POSIX::_exit(127);
    };
    local $/;
    my $out = <$fh> // '';
    close $fh;
    return $out;
}
sub run_cli { run($cli, @_) }

write_file("$dir/signup.html", <<'HTML');
<!doctype html>
<html><head><meta charset="utf-8"><title>Sign up</title></head>
<body>
<p>We answer within <2 days.
<form method="post" action="/old/signup.php">
  <label>Name <input name="name"></label>
  <label>E-mail <input type="email" name="email"></label>
  <label><input type="checkbox" name="topics" value="news"> News</label>
  <label><input type="checkbox" name="topics" value="offers"> Offers</label>
  <textarea name="note"></textarea>
  <button type="submit">Sign me up</button>
</form>
</body></html>
HTML

my $out = run_cli('new', "$dir/signup.prj", '--page', "$dir/signup.html");
is($?, 0, 'new --page makes the project') or diag($out);
like($out, qr/"Sign me up" has no name.*Name it "Sign_me_up"\? \[yes\]/s, 'the unnamed button is offered a name');
like(read_file("$dir/signup.html"), qr/<button type="submit" NAME="Sign_me_up">/, 'which is written into the page');
ok(-e "$dir/templates/signup_thanks.html", 'with a thank-you page beside the project');

my $port = free_port();
my $preview = fork();
if ($preview == 0) {
    open(STDOUT, '>', "$dir/preview.out");
    open(STDERR, '>', "$dir/preview.err");
    exec($cli, 'preview', "$dir/signup.prj", '--port', $port) or POSIX::_exit(127);
}
my $url;
for (1 .. 300) {
    ($url) = (read_file("$dir/preview.out") // '') =~ /^(http\S+)/m;
    last if $url || waitpid($preview, POSIX::WNOHANG()) == $preview;
    sleep 0.1;
}
ok($url, 'preview serves it') or BAIL_OUT('preview: ' . (read_file("$dir/preview.err") // ''));
my ($site) = read_file("$dir/preview.err") =~ / from (\S+);/;

my %typed = (name => "Zo\x{eb} O'Brien <b>x</b>", email => 'bob@example.com', note => qq{cost \$5 & a"b \\ 100%});
my $plan = { url => $url, steps => [{ fill => \%typed, check => ['topics'], click => 'Sign_me_up' }] };
my $visit = run('node', "$FindBin::Bin/../browser/browse.mjs", JSON::PP->new->utf8->encode($plan));
is($?, 0, 'Chromium submits the form') or diag($visit);
my $shown = eval { JSON::PP->new->utf8->decode($visit)->[0]{text} } // '';
like($shown, qr/\Q$typed{name}\E/, 'the answer shows the name as typed');
like($shown, qr/\Q$typed{note}\E/, 'and the note');

my $db = DBI->connect("DBI:SQLite:database=$site/cgi-bin/data/signup.db", '', '', { RaiseError => 1 });
is_deeply($db->selectall_arrayref('SELECT name, email, topics, note FROM signup'),
          [[Encode::encode('UTF-8', $typed{name}), $typed{email}, 'news', $typed{note}]],
          'the row holds exactly what was typed');
$db->disconnect;
kill 'INT', $preview;
waitpid($preview, 0);

subtest 'a project that would not work is refused, and nothing is written or published' => sub {
    write_file("$dir/signup.html", "<p>The form moved.</p>\n");
    $out = run_cli('build', "$dir/signup.prj");
    is($? >> 8, 1, 'build fails');
    like($out, qr/There is no form in \Q$dir\E\/signup.html/, 'and says why');
    ok(!-e "$dir/scripts", 'no script');
    $out = run_cli('preview', "$dir/signup.prj", '--keep');
    is($? >> 8, 1, 'preview fails');
    my ($kept) = $out =~ /site stays in (\S+)/;
    ok($kept && !glob("$kept/www/*.html") && !glob("$kept/www/cgi-bin/*"), 'and publishes nothing') or diag($out);
    File::Path::remove_tree($kept) if $kept;
    is(read_file("$dir/signup.html"), "<p>The form moved.</p>\n", 'the page is left alone');

    write_file("$dir/plain.html", "<form><input name=q><input type=submit value=Go></form>");
    $out = run_cli('new', "$dir/plain.prj", '--page', "$dir/plain.html", '--no');
    is($? >> 8, 1, 'new without a named submit button fails');
    like($out, qr/has no submit button with a name/, 'and says why');
    ok(!-e "$dir/plain.prj", 'no project');
};

done_testing();
