# Every group of actions as a visitor meets it: one project per group, built
# by quillet-cli, published by its direct copy into a lighttpd site and used in
# Chromium. The account is published where the publish sees it; lighttpd serves
# the same files under a longer path, as on a host whose FTP server shows each
# user their home as "/", so the scripts work out a non-empty FTP root.
use strict;
use warnings;
use utf8;
use FindBin;
use lib "$FindBin::Bin/../../runtime/lib";
use RuntimeTest;
use Test::More;
use DBI;
use Encode qw(decode encode_utf8);
use MIME::Base64 qw(decode_base64);
use File::Find qw(find);
use File::Path qw(make_path);
use Socket qw(inet_aton AF_INET);

my $cli = $ENV{QUILLET_CLI} or plan skip_all => 'QUILLET_CLI names no quillet-cli';
plan skip_all => 'lighttpd is not installed' unless grep { -x "$_/lighttpd" } split(/:/, $ENV{PATH}), '/usr/sbin';
plan skip_all => 'Chromium or playwright-core is not installed' unless have_browser();

my $dir  = temp_dir();
my $home = "$dir/home";
my $site = "$home/public_html";
my $cgi  = "$site/cgi-bin";
make_path($site, "$dir/srv$dir", "$dir/mail");
symlink($home, "$dir/srv$home") or die "symlink: $!";
$ENV{QUILLET_HOME} = "$dir/quillet";
my $port = free_port();
my $url  = "http://127.0.0.1:$port";
my ($sink, $smtp) = start_smtp_sink("$dir/mail");
my $server = start_lighttpd($dir, "$dir/srv$site", $port);
END { stop_server($_) for grep {$_} $server, $sink }
ok(wait_port($port), 'lighttpd listens') or BAIL_OUT('lighttpd did not start');

# A copy of the project pointed at this site, built and published.
sub deploy {
    my ($name) = @_;
    my $project = "$dir/projects/$name";
    find({ no_chdir => 1, wanted => sub {
        (my $to = $File::Find::name) =~ s{^\Q$FindBin::Bin/$name\E}{$project};
        return make_path($to) if -d;
        (my $text = read_file($_)) =~ s/\@SITE\@/$site/g;
        $text =~ s/\@URL\@/$url/g;
        $text =~ s/\@SMTP\@/$smtp/g;
        write_file($to, $text);
    } }, "$FindBin::Bin/$name");
    for my $command ('build', 'publish --all') {
        is(system("'$cli' $command '$project/$name.prj' >$dir/cli.log 2>&1"), 0, "$name: $command")
            or diag(read_file("$dir/cli.log"));
    }
}

# The honeypot's label is text too, for screen readers, though it sits off the screen.
sub text_of { my ($page) = @_; (my $text = $page->{text}) =~ s/\s+/ /g; $text =~ s/^ | $|Leave this field empty //g; return $text }
sub texts { return [map { text_of($_) } @{ $_[0] }] }

# What would show that markup from a value ran.
sub nothing_ran {
    my ($pages) = @_;
    is_deeply([map { @{ $_->{dialogs} } } @$pages], [], 'no dialog opened');
    is_deeply([map { $_->{scripts} } @$pages], [(0) x @$pages], 'no page holds a script');
}

my $probe = q{<img src=x onerror=alert(1)>};

subtest 'records: insert, pages of a report, nothing found, delete' => sub {
    deploy('records');
    make_path("$cgi/data");
    my $db = DBI->connect("DBI:SQLite:database=$cgi/data/records.db", '', '', { RaiseError => 1 });
    $db->do('CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(80) NOT NULL, city VARCHAR(80))');
    my $form = "$url/records.html";
    my $pages = browse({ url => $form, steps => [
        (map { { goto => $form, fill => { name => $_->[0], city => $_->[1] }, click => 'Add' } }
            ['Zoë', 'Zürich'], ['Ann', 'Oslo'], ['Bob', 'Rome'], [$probe, q{"><b>}]),
        { goto => $form, click => 'List' }, { link => 'Next' },
        { goto => $form, fill => { name => 'Nobody' }, click => 'Find' },
        { goto => $form, fill => { name => 'Bob' }, click => 'Remove' } ] });
    is_deeply(texts($pages), ['Added Zoë from Zürich: 1 row.', 'Added Ann from Oslo: 1 row.', 'Added Bob from Rome: 1 row.',
        qq{Added $probe from "><b>: 1 row.}, '1 Zoë Zürich 2 Ann Oslo 4 found. Next', qq{3 Bob Rome 4 $probe "><b> 4 found. Next},
        '0 found for Nobody. name city', 'Removed 1.'], 'what the visitor sees');
    is_deeply($db->selectall_arrayref('SELECT name, city FROM people ORDER BY id'),
        [map { [map { encode_utf8($_) } @$_] } ['Zoë', 'Zürich'], ['Ann', 'Oslo'], [$probe, q{"><b>}]], 'the rows, UTF-8 as typed');
    nothing_ran($pages);
};

subtest 'mail: attachments, an upload, text beyond ASCII, HTML and bulk mail' => sub {
    deploy('mail');
    make_path("$cgi/data");
    write_file("$cgi/data/list.txt", "bob\@example.org\ncarol\@example.org,Carol\n");
    my $pages = browse({ url => "$url/mail.html", steps => [{ click => 'Send',
        fill => { name => 'Zoë', email => 'zoe@example.org', note => '<b>bold</b>' },
        upload => { photo => { name => 'photo.png', type => 'image/png', text => 'PNG image bytes' } } }] });
    is(text_of($pages->[0]), 'Thanks, Zoë. We wrote to zoe@example.org.', 'the answer');
    my %mail = map { ($_->{to}[0] => parse_mail($_->{data})) } @{ sink_messages("$dir/mail") };
    is_deeply([sort keys %mail], [map {"$_\@example.org"} qw(bob carol owner zoe)], 'to the visitor, the owner and the list');
    my $to_visitor = $mail{'zoe@example.org'};
    is($to_visitor->{subject}, 'Grüße, Zoë', 'the subject decodes to what was typed');
    is($to_visitor->{from}, "Zoë's Shop <shop\@example.org>", 'so does the sender');
    is_deeply([map { [$_->{type}, $_->{body}] } @{ $to_visitor->{parts} }], [
        ['text/plain; charset=utf-8', encode_utf8("Hello Zoë,\r\nyour note: <b>bold</b>\r\n"
            . "Questions? Write to info\@example.org. Shipping costs \$5.\r\n")],
        ['text/plain; charset=utf-8', "Terms: we keep your note.\r\n"], ['image/png', 'PNG image bytes']],
        'the filled template with raw values, the attached file and the upload');
    is($mail{'owner@example.org'}{parts}[0]{body}, encode_utf8("<html><body><p>Note from Zoë: &lt;b&gt;bold&lt;/b&gt;</p></body></html>\r\n"),
        'an HTML body shows the values escaped');
    is($mail{'carol@example.org'}{parts}[0]{body}, "News for our friends.\r\n", 'every list line gets the news');
};

# Headers decoded, and every part's content type and bytes.
sub parse_mail {
    my ($data) = @_;
    my ($head, $body) = split /\r\n\r\n/, $data, 2;
    $head =~ s/\r\n\s+/ /g;
    my %mail = map { /^([\w-]+): (.*)$/ ? (lc $1 => decode('MIME-Header', $2)) : () } split /\r\n/, $head;
    my ($boundary) = $mail{'content-type'} =~ /boundary="([^"]+)"/;
    my @parts = $boundary ? (split /\r\n--\Q$boundary\E/, "\r\n$body")[1 .. 1_000] : ("$head\r\n\r\n$body");
    for my $part (grep { defined && !/^--/ } @parts) {
        my ($part_head, $part_body) = split /\r\n\r\n/, $part, 2;
        my ($type) = $part_head =~ /Content-Type: ([^\r]+)/;
        $part_body = decode_base64($part_body) if $part_head =~ /Content-Transfer-Encoding: base64/;
        push @{ $mail{parts} }, { type => $type, body => $part_body };
    }
    return \%mail;
}

subtest 'files: append, read, a name from the form, an upload' => sub {
    deploy('files');
    my $form = "$url/files.html";
    my $pages = browse({ url => $form, steps => [
        { fill => { name => 'Zoë', note => 'grüße' }, click => 'Log' },
        { goto => $form, fill => { name => '<script>alert(2)</script>', note => $probe }, click => 'Log' },
        { goto => $form, click => 'Show' },
        { goto => $form, fill => { name => 'Ann', file => 'notes.txt' }, click => 'Save' },
        { goto => $form, fill => { name => 'Eve', file => '../escaped.txt' }, click => 'Save' },
        { goto => $form, click => 'Upload', upload => { doc => { name => "$probe.txt", type => 'text/plain', text => '<b>doc</b>' } } },
    ] });
    my $line = 'paid $5 to info@example.org';
    my @texts = @{ texts($pages) };
    is_deeply([@texts[0 .. 3]], ["Logged: Zoë|grüße|$line", "Logged: <script>alert(2)</script>|$probe|$line",
        "Zoë|grüße|$line <script>alert(2)</script>|$probe|$line", 'Saved to notes.txt.'],
        'the return value of an append and the file read back, shown as text');
    like($texts[4], qr/^Submission Error Can not append data to file escaped\.txt\. .* Reference: \w{8} /, 'a name that climbs out is refused');
    unlike($texts[4], qr/\Q$dir\E/, 'without showing a server path');
    is($texts[5], "$probe.txt holds: <b>doc</b>", 'an upload: its name and its text');
    # The publish's placeholder is empty, so the log starts with its first line.
    is(read_file("$cgi/data/log.txt"), encode_utf8("Zoë|grüße|$line\n<script>alert(2)</script>|$probe|$line\n"), 'the log lines');
    is(read_file("$cgi/data/notes.txt"), "Ann||$line\n", 'a form-chosen name lands in the data folder');
    ok(!-e "$cgi/escaped.txt" && !-e "$site/escaped.txt", 'nothing outside it');
    nothing_ran($pages);
};

subtest 'cookies: set, sent back, deleted' => sub {
    deploy('cookies');
    my $form = "$url/cookies.html";
    my $pages = browse({ url => $form, steps => [
        { fill => { name => 'Zoë;admin=1' }, click => 'Remember' }, { goto => $form, click => 'Greet' },
        { goto => $form, fill => { name => '<script>alert(3)</script>' }, click => 'Remember' }, { goto => $form, click => 'Greet' },
        { goto => $form, click => 'Forget' }, { goto => $form, click => 'Greet' } ] });
    is_deeply([map { [map { "$_->{name}=$_->{value}; $_->{domain}$_->{path}" } @{ $_->{cookies} }] } @$pages[0, 4]],
        [['visitor=Zo%C3%AB%3Badmin%3D1; 127.0.0.1/cgi-bin'], []], 'one host-only cookie for the CGI path, then none');
    is_deeply(texts($pages), ['Remembered Zoë;admin=1.', 'Welcome back, Zoë;admin=1. Cookies: 1.',
        'Remembered <script>alert(3)</script>.', 'Welcome back, <script>alert(3)</script>. Cookies: 1.', 'Forgotten.',
        'Welcome back, . Cookies: 0.'], 'the cookie comes back on the next request, whole');
    nothing_ran($pages);
};

subtest 'conditions: a posted form inside a condition' => sub {
    deploy('conditions');
    my $form = "$url/conditions.html";
    my $pages = browse({ url => $form, steps => [
        { fill => { name => 'Zoë', age => '20' }, click => 'Go' }, { fill => { color => 'grün' }, click => 'Finish' },
        { goto => $form, fill => { name => 'Ann', age => '12' }, click => 'Go' } ] });
    is_deeply(texts($pages), ['Hello, Zoë. Colour:', 'Zoë likes grün.', 'Sorry, Ann, come back at 18.']);
};

subtest 'every variable the template menus offer' => sub {
    deploy('variables');
    my $pages = browse({ url => "$url/variables.html", userAgent => $probe,
        steps => [{ fill => { name => 'Zoë' }, check => ['agree'], select => { size => 'M' }, click => 'Show' }] });
    my %shown = map { /^(\w+)=(.*)$/ ? ($1 => $2) : () } split /\n+/, $pages->[0]{text};
    my ($year, $mon, $mday) = $shown{DATE} =~ /^(\d{4})-(\d\d)-(\d\d)$/;
    is("$shown{YEAR}-$shown{MON}-$shown{MDAY}", "$year-$mon-$mday", 'the date and its parts') or diag($pages->[0]{text});
    is($shown{TIME}, "$shown{MILHOUR}:$shown{MIN}:$shown{SEC}", 'the time and its parts');
    is($shown{HOUR} % 12, $shown{MILHOUR} % 12, 'the 12-hour clock');
    is($shown{AMPM}, $shown{MILHOUR} < 12 ? 'AM' : 'PM', 'AM or PM');
    like($shown{WDAY}, qr/^(Sun|Mon|Tue|Wed|Thu|Fri|Sat)$/, 'the weekday');
    is($shown{REVERSE_IP}, scalar(gethostbyaddr(inet_aton('127.0.0.1'), AF_INET)) // '127.0.0.1', "the visitor's host");
    is_deeply([@shown{qw(HTTP_REFERER HTTP_USER_AGENT REMOTE_HOST REMOTE_ADDR)}], ["$url/variables.html", $probe, '', '127.0.0.1'],
        'the environment, escaped');
    like($pages->[0]{text}, qr/\nname=Zoë all=Zoë agree=CHECKED S= M=SELECTED\n+Write to info\@example\.org, pay \$5, a lone \$ and \@\./,
        'form values, field states, and other text as typed');
    nothing_ran($pages);
};

subtest 'the server log holds no warnings from the scripts' => sub {
    is_deeply([grep {/ line \d+/} split /\n/, read_file("$dir/error.log") // ''], []);
};

done_testing();
