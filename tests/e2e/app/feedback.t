# A form that stores, mails, logs, sets a cookie and answers, tried the way a
# user tries it: quillet-cli preview builds and publishes it by direct copy
# into a lighttpd site, and Chromium submits the published page.
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
use Time::HiRes qw(sleep);

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
plan skip_all => 'lighttpd is not installed'
    unless grep { -x "$_/lighttpd" } split(/:/, $ENV{PATH}), '/usr/sbin';

my $dir = temp_dir();
my $project = "$dir/feedback";
make_path("$project/templates", "$dir/home");
$ENV{QUILLET_HOME} = "$dir/home";

my $source = "$FindBin::Bin/feedback";
copy("$source/$_", "$project/$_") or die "$_: $!"
    for qw(feedback.html templates/thanks.html templates/mail.txt templates/line.txt);
# The preview points every mail action at a catcher of its own.
copy("$source/feedback.prj", "$project/feedback.prj") or die "feedback.prj: $!";
my $page_before = read_file("$project/feedback.html");

my ($preview, $url, $site, $port) = start_preview($cli, "$project/feedback.prj", $dir);
ok($url, 'preview prints the page address') or BAIL_OUT('preview: ' . (read_file("$dir/preview.err") // ''));
is($url, "http://127.0.0.1:$port/feedback.html", 'the address is on loopback');
my $cgi = "$site/cgi-bin";
(my $maildir = $site) =~ s{/www$}{/mail/new};

# Messages the preview's catcher kept: envelope recipients and the text.
sub mails {
    opendir(my $dh, $maildir) or return [];
    my @mails;
    for my $file (sort grep { !/^\./ } readdir $dh) {
        my $text = read_file("$maildir/$file");
        push @mails, { to => [ $text =~ /^X-RcptTo: (.*)$/mg ], data => $text };
    }
    return \@mails;
}
ok(-e "$cgi/feedback.cgi" && -e "$cgi/ZentraCGI.pm" && -e "$cgi/templates/mail.txt", 'direct copy published the site');
is(read_file("$project/feedback.html"), $page_before, "the user's page is not touched");
is(system($^X, '-c', "-I$cgi", "$cgi/feedback.cgi"), 0, 'the script compiles beside its modules');

my $db = DBI->connect("DBI:SQLite:database=$cgi/data/feedback.db", '', '', { RaiseError => 1 });
sub count_rows { $db->selectrow_array('SELECT COUNT(*) FROM messages') }
is(count_rows(), 0, 'the designed table was created through dbadmin');

my $script = "http://127.0.0.1:$port/cgi-bin/feedback.cgi";
my $http = HTTP::Tiny->new(timeout => 20);

subtest 'bad input gets the validation page and nothing is written' => sub {
    my $r = $http->post_form($script, [name => '', email => 'not-an-address', topic => 'bug', message => 'x', Send => 'Send']);
    is($r->{status}, 200);
    like($r->{content}, qr/name<\/b> was not entered/i, 'the empty name is reported');
    like($r->{content}, qr/email<\/b> was incorrect/i, 'the bad address is reported');
    is(count_rows(), 0, 'no row');
    unlike(read_file("$cgi/data/log.txt") // '', qr/\S/, 'no log line');
    is(scalar @{ mails() }, 0, 'no mail');
};

subtest 'a good submission is stored, mailed, logged, remembered and answered' => sub {
    my $r = $http->post_form($script, [name => 'Eve', email => 'eve@example.org', topic => 'praise', message => 'Lovely', Send => 'Send']);
    is($r->{status}, 200);
    like($r->{content}, qr/Thanks, Eve/, 'the answer page') or diag($r->{content});
    like($r->{headers}{'set-cookie'} // '', qr/visitor=Eve/, 'the cookie');
    is_deeply($db->selectall_arrayref('SELECT name, email, topic, message FROM messages'),
        [['Eve', 'eve@example.org', 'praise', 'Lovely']], 'the row');
    like(read_file("$cgi/data/log.txt"), qr/^Eve\|praise\|Lovely\n\z/m, 'the log line');
    my $mails = mails();
    is(scalar @$mails, 1, 'one mail');
    is_deeply($mails->[0]{to}, ['eve@example.org'], 'to the visitor');
    like($mails->[0]{data}, qr/^Subject: Thanks, Eve\r?$/m, 'the subject is filled');
    like($mails->[0]{data}, qr/message about praise:\r?\nLovely/, 'the body is the filled template');
};

SKIP: {
    skip 'Chromium or playwright-core is not installed', 1 unless have_browser();
    subtest 'Chromium submits the published page' => sub {
        my $pages = browse({ url => $url,
            steps => [{ fill => { name => 'Finn', email => 'finn@example.org', message => 'Browser' }, click => 'Send' }] });
        like($pages->[0]{text}, qr/Thanks, Finn/, 'answered');
        is($db->selectrow_array("SELECT topic FROM messages WHERE name = 'Finn'"), 'bug', 'the selected option arrived');
    };
}

kill 'INT', $preview;
waitpid($preview, 0);
is($? >> 8, 0, 'preview stops cleanly on Ctrl-C');
ok(!-d $site, 'and removes its site');

done_testing();
