# A form that stores, mails, logs and sets a cookie, attacked under the preview
# as an outsider would: each abuse is refused, and nothing is stored, mailed
# or logged for it, while an ordinary submission still works.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../runtime/lib";
use RuntimeTest;
use Test::More;
use DBI;
use HTTP::Tiny;
use File::Copy qw(copy);
use File::Path qw(make_path);
use Time::HiRes qw(time);

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
plan skip_all => 'lighttpd is not installed' unless grep { -x "$_/lighttpd" } split(/:/, $ENV{PATH}), '/usr/sbin';

# The feedback form of the end-to-end suite, its address field left without
# the EMAIL rule, as many forms leave it.
my $dir = temp_dir();
my $project = "$dir/feedback";
make_path("$project/templates", "$dir/home");
$ENV{QUILLET_HOME} = "$dir/home";
my $source = "$FindBin::Bin/../e2e/app/feedback";
copy("$source/$_", "$project/$_") or die "$_: $!"
    for qw(feedback.prj templates/thanks.html templates/mail.txt templates/line.txt);
write_file("$project/feedback.html", read_file("$source/feedback.html") =~ s/ content="EMAIL"//r);

my ($preview, $url, $site, $port) = start_preview($cli, "$project/feedback.prj", $dir);
END { stop_server($preview) if $preview }
ok($url, 'the preview serves') or BAIL_OUT('preview: ' . (read_file("$dir/preview.err") // ''));
my $cgi = "$site/cgi-bin";
(my $maildir = $site) =~ s{/www$}{/mail/new};
(my $server = $site) =~ s{/www$}{};
sub server_log { join('', map { read_file("$server/$_") // '' } qw(error.log lighttpd.out)) }
my $db = DBI->connect("DBI:SQLite:database=$cgi/data/feedback.db", '', '', { RaiseError => 1 });
my $script = "http://127.0.0.1:$port/cgi-bin/feedback.cgi";
my $http = HTTP::Tiny->new(timeout => 20);

sub rows { $db->selectrow_array('SELECT COUNT(*) FROM messages') }
sub mails { opendir(my $dh, $maildir) or return 0; return scalar grep { !/^\./ } readdir $dh }
sub logged { my $text = read_file("$cgi/data/log.txt") // ''; return $text =~ tr/\n// }
sub state { return join(' ', rows(), mails(), logged()) }

my @ordinary = (name => 'Eve', topic => 'bug', message => 'Hello', Send => 'Send', email => 'eve@example.org');
sub post {
    my ($form, %headers) = @_;
    return $http->request('POST', $script, { content => $http->www_form_urlencode($form),
        headers => { 'content-type' => 'application/x-www-form-urlencoded', %headers } });
}

subtest 'the data folder, the databases and the templates are not handed out' => sub {
    is($http->get($url)->{status}, 200, 'the page is');
    for my $path (qw(cgi-bin/data/feedback.db cgi-bin/data/log.txt cgi-bin/templates/mail.txt cgi-bin/ZentraCGI.pm
        cgi-bin/quillet-security.conf))
    {
        is($http->get("http://127.0.0.1:$port/$path")->{status}, 403, $path);
    }
};

subtest 'the honeypot catches a robot, and people never meet it' => sub {
    my $page = read_file("$site/feedback.html");
    like($page, qr{<label for="hp_website">Leave this field empty</label><input type="text" name="hp_website"},
        'the page holds the field, labelled');
    unlike($page, qr/<script/i, 'and no script');
    my $before = state();
    my $r = post([@ordinary, hp_website => 'http://spam.example']);
    is($r->{status}, 200);
    like($r->{content}, qr/Thank you/, 'the robot is thanked');
    is(state(), $before, 'nothing stored, mailed or logged');
    like(server_log(), qr/honeypot field of Send was filled/, 'the server log says so');
    $r = post([@ordinary]);
    like($r->{content}, qr/Thanks, Eve/, 'a submission without the field still works');
    is(rows(), 1, 'and is stored');
};

subtest 'changes come only from a POST of the site itself' => sub {
    my $before = state();
    my $r = $http->get("$script?" . $http->www_form_urlencode([@ordinary]));
    is($r->{status}, 405, 'a GET that would store is refused');
    is(post([@ordinary], origin => 'http://evil.example')->{status}, 403, 'a POST from another origin');
    is(post([@ordinary], 'sec-fetch-site' => 'cross-site')->{status}, 403, 'one the browser marks as cross-site');
    is(post([@ordinary], origin => 'null')->{status}, 403, 'one from an opaque origin');
    is(post([@ordinary], referer => 'http://evil.example/form.html')->{status}, 403, 'one referred from elsewhere');
    is(state(), $before, 'nothing stored, mailed or logged');
    is(post([@ordinary], origin => "http://127.0.0.1:$port", 'sec-fetch-site' => 'same-origin')->{status}, 200,
        'the site itself may');
    write_file("$cgi/quillet-security.conf", "allowed_origins = http://forms.example.org\n");
    is(post([@ordinary], origin => 'http://forms.example.org')->{status}, 200, 'and an allowed origin');
    unlink "$cgi/quillet-security.conf";
};

subtest 'a recipient from the form is one address, checked before anything runs' => sub {
    my $before = state();
    for my $list ('a@example.org,b@example.org', 'a@example.org; b@example.org', '"Boss" <boss@corp.test>',
        'a@example.org b@example.org', ('x' x 990) . '@example.org')
    {
        my $r = post([@ordinary[0 .. $#ordinary - 1], $list]);
        like($r->{content}, qr/Submission Error/, "refused: " . substr($list, 0, 40));
    }
    is(state(), $before, 'nothing stored, mailed or logged');
};

subtest 'a million empty fields are refused at once' => sub {
    my $body = join('&', map {"f$_="} 1 .. 1_000_000);
    my $before = state();
    my $start = time;
    my $r = $http->request('POST', $script,
        { content => $body, headers => { 'content-type' => 'application/x-www-form-urlencoded' } });
    my $took = time - $start;
    is($r->{status}, 413, sprintf('%.1f MB refused', length($body) / 1e6));
    cmp_ok($took, '<', 1, sprintf('in %.2f s', $took));
    is(state(), $before, 'nothing stored');
};

subtest 'the rate limit, once it is turned on' => sub {
    write_file("$cgi/quillet-security.conf", "# three a minute\nrate_limit = 3\nrate_window = 60\n");
    my @status = map { post([@ordinary])->{status} } 1 .. 4;
    is_deeply(\@status, [200, 200, 200, 429], 'the fourth submission of the minute waits');
    unlink "$cgi/quillet-security.conf";
    is(post([@ordinary])->{status}, 200, 'and passes with the limit off');
    cmp_ok(-s "$cgi/data/.rate-limit", '<', 200, 'the count file stays small');
};

done_testing();
