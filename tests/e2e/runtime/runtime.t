# Hand-written scripts in the generated layout, using the runtime modules
# under a real lighttpd (mod_cgi) with SQLite and a mail sink on 127.0.0.1.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../../runtime/lib";
use RuntimeTest;
use Test::More;
use DBI;
use HTTP::Tiny;
use File::Copy qw(copy);
use POSIX ();

my $lighttpd = (grep { -x } map {"$_/lighttpd"} split(/:/, $ENV{PATH}), '/usr/sbin')[0];
plan skip_all => 'lighttpd is not installed' unless $lighttpd;

my $dir  = temp_dir();
my $root = "$dir/www";
my $cgi  = "$root/cgi-bin";
mkdir $_ for $root, $cgi, "$cgi/data", "$cgi/templates", "$dir/mail";

# The deployed tree: modules copied byte for byte, the script with the
# include-path functions appended.
my $rt = runtime_dir();
copy($_, $cgi) or die "$_: $!" for glob("$rt/*.pm");
my ($sink, $smtp) = start_smtp_sink("$dir/mail");
END { stop_server($sink) if $sink }
my $script = read_file("$FindBin::Bin/guestbook.cgi.in") . read_file("$rt/include-path.pl");
$script =~ s/\@CGI\@/$cgi/g;
$script =~ s/\@DATA\@/$cgi\/data/g;
$script =~ s/\@SMTP\@/$smtp/g;
write_file("$cgi/guestbook.cgi", $script);
chmod 0755, "$cgi/guestbook.cgi";
write_file("$cgi/templates/line.txt", "\$FORM{'name'}[0]|\$FORM{'message'}[0]\n");
write_file("$cgi/templates/mail.txt", "From: \$FORM{'name'}[0] <\$FORM{'email'}[0]>\n\$FORM{'message'}[0]\n");
write_file("$cgi/templates/thanks.html", "<html><body>Thanks, \$FORM{'name'}[0]! Mood: \$FIELD_STATE{'mood'}{'happy'}</body></html>\n");
write_file("$cgi/templates/list.html",
    "<html><body>\$Sel1->{DefaultReport}<p>First: \$Sel1->{rows}[0]{'name'} #\$Sel1->{index}[0] next=\$Sel1->{next} prev=\$Sel1->{prev} last=\$Sel1->{last}</p>"
        . "<form name=\"mCache\"><input type=\"hidden\" name=\"Sel1_from\" value=\"\$Sel1->{from}\"></form></body></html>\n");
write_file("$cgi/templates/found.html", "<html><body>Updated \$Upd1->{nrows}, deleted \$Del1->{nrows}\n\$Sel2->{DefaultReport}</body></html>\n");
my $db = DBI->connect("DBI:SQLite:database=$cgi/data/guestbook.db", '', '', { RaiseError => 1 });
$db->do('CREATE TABLE entries (id INTEGER PRIMARY KEY, name TEXT NOT NULL, email TEXT, message TEXT)');

my $port = free_port();
my $server = start_lighttpd($dir, $root, $port);
END { stop_server($server) if $server }
ok(wait_port($port), 'lighttpd listens') or BAIL_OUT('lighttpd did not start: ' . (read_file("$dir/error.log") // ''));

my $http = HTTP::Tiny->new(timeout => 20, max_redirect => 0);
my $base = "http://127.0.0.1:$port/cgi-bin/guestbook.cgi";

sub post {
    my ($query, %form) = @_;
    return $http->post_form($base . $query, [%form]);
}

sub rows { $db->selectall_arrayref('SELECT name, email, message FROM entries ORDER BY id') }
sub mails { sink_messages("$dir/mail") }

subtest 'a visit without a form gets the information page' => sub {
    my $r = $http->get($base);
    is($r->{status}, 200);
    like($r->{content}, qr/submit it with one of its buttons/);
};

subtest 'signing the guestbook' => sub {
    my $r = post('', name => "O'Hara <b>", email => 'kim@example.org', message => "Hi; DROP TABLE entries;--", mood => 'happy', Sign => 'Sign');
    is($r->{status}, 200, 'answered');
    like($r->{content}, qr/Thanks, O&#39;Hara &lt;b&gt;! Mood: CHECKED/, 'filled template, values escaped');
    is_deeply(rows(), [["O'Hara <b>", 'kim@example.org', 'Hi; DROP TABLE entries;--']], 'row stored exactly');
    is(read_file("$cgi/data/guestbook.txt"), "O'Hara <b>|Hi; DROP TABLE entries;--\n", 'line appended to the data file');
    like($r->{headers}{'set-cookie'}, qr/^visitor=O%27Hara\+%3Cb%3E; expires=[^;]+ GMT; path=\/$/, 'cookie set');
    my $mail = mails()->[-1];
    is_deeply($mail->{to}, ['owner@example.com'], 'mail to the owner');
    like($mail->{data}, qr/Subject: New entry from O'Hara <b>\r\n/, 'subject with the raw value');
    like($mail->{data}, qr/\r\n\r\nFrom: O'Hara <b> <kim\@example\.org>\r\nHi; DROP TABLE entries;--\r\n/, 'mail body');
};

subtest 'bad input gets the validation error page and nothing is written' => sub {
    my $before = scalar @{ mails() };
    my $r = post('', name => '', email => "x\@example.org\r\nBcc: victim\@evil.example", message => 'm', Sign => 'Sign');
    like($r->{content}, qr{Submission Error.*<b>name</b> was not entered\.<br>\n<b>email</b> was incorrect\.}s, 'error page');
    is(scalar @{ rows() }, 1, 'no row');
    is(scalar @{ mails() }, $before, 'no mail');
    is(read_file("$cgi/data/guestbook.txt"), "O'Hara <b>|Hi; DROP TABLE entries;--\n", 'no line');
};

subtest 'script injection is escaped on the built-in pages' => sub {
    my $r = post('?page=tools&form=f', name => '<script>alert(1)</script>', Save => 'x', file => 'notes.txt');
    like($r->{content}, qr/<h1>Thank you<\/h1>/, 'thank-you page');
    unlike($r->{content}, qr/<script>/, 'no live script');
    like($r->{content}, qr/&lt;script&gt;alert\(1\)&lt;\/script&gt;/, 'shown as text');
};

subtest 'path traversal through a file-name field' => sub {
    for my $name ('../../../escaped.txt', '..\\..\\escaped.txt', 'sub/../../escaped.txt') {
        my $r = post('?page=tools&form=f', file => $name, Save => 'x');
        like($r->{content}, qr/Can not append data to file/, "$name refused");
    }
    ok(!-e "$cgi/escaped.txt" && !-e "$root/escaped.txt" && !-e "$dir/escaped.txt", 'nothing written outside');
    ok(-s "$cgi/data/notes.txt", 'a plain name writes into the data folder');
};

subtest 'header injection into mail' => sub {
    my $before = scalar @{ mails() };
    my $r = post('?page=tools&form=f', Contact => 'x', name => 'Eve', subject => "Hello\r\nBcc: victim\@evil.example");
    like($r->{content}, qr/Submission Error.*mail header subject/s, 'refused');
    $r = post('?page=tools&form=f', Contact => 'x', name => "Eve\nBcc: victim\@evil.example", subject => 'x');
    like($r->{content}, qr/Submission Error/, 'sender refused');
    is(scalar @{ mails() }, $before, 'nothing sent');
    $r = post('?page=tools&form=f', Contact => 'x', name => 'Eve', subject => 'Plain');
    like($r->{content}, qr/Thank you/, 'a clean message goes');
    is(scalar @{ mails() }, $before + 1, 'and is sent');
};

subtest 'SQL injection through Update, Delete and Select criteria' => sub {
    my $before = rows();
    my $r = post('?page=tools&form=f', Edit => 'x', name => "x' OR '1'='1", message => "pwned', email='x", gone => "' OR 1=1 --", find => "' OR ''='");
    like($r->{content}, qr/Updated 0, deleted 0\n<table border="1">\n<tr><th>name<\/th><th>message<\/th><\/tr>\n<\/table>/, 'nothing matched');
    is_deeply(rows(), $before, 'table unchanged');
    $r = post('?page=tools&form=f', Edit => 'x', name => "O'Hara <b>", message => "it's 'quoted'", gone => 'nobody', find => "O'Hara <b>");
    like($r->{content}, qr/Updated 1, deleted 0\n.*<td>O&#39;Hara &lt;b&gt;<\/td><td>it&#39;s &#39;quoted&#39;<\/td>/s, 'exact values still match');
};

subtest 'select records: default report and paging values' => sub {
    $db->do('INSERT INTO entries (name, message) VALUES (?, ?)', undef, "n$_", "m$_") for 2 .. 5;
    my $r = post('?page=list&form=f', List => 'List');
    like($r->{content}, qr{<tr><th>name</th><th>message</th></tr>\n<tr><td>O&#39;Hara &lt;b&gt;</td>}, 'default report, escaped');
    is(() = $r->{content} =~ /<tr>/g, 6, 'every row in the default report');
    like($r->{content}, qr/First: O&#39;Hara &lt;b&gt; #1 next=3 prev=-1 last=4/, 'first page');
    like($r->{content}, qr/name="Sel1_from" value="1"/, 'paging form carries the start');
    $r = post('?page=list&form=f', List => 'List', Sel1_from => 3);
    like($r->{content}, qr/First: n3 #3 next=5 prev=1 last=4/, 'the page asked for');
};

subtest 'uploads through the server' => sub {
    my $gif = "GIF89a" . join('', map { chr } 0 .. 255);
    my $body = "--XX\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"a.gif\"\r\nContent-Type: image/gif\r\n\r\n$gif\r\n"
        . "--XX\r\nContent-Disposition: form-data; name=\"Upload\"\r\n\r\nGo\r\n--XX--\r\n";
    my $r = $http->post("$base?page=tools&form=f", { content => $body, headers => { 'content-type' => 'multipart/form-data; boundary=XX' } });
    like($r->{content}, qr/Thank you/, 'accepted');
    is(read_file("$cgi/data/upload.bin"), $gif, 'bytes arrive intact');
    $body =~ s{image/gif}{text/html};
    $r = $http->post("$base?page=tools&form=f", { content => $body, headers => { 'content-type' => 'multipart/form-data; boundary=XX' } });
    like($r->{content}, qr/<b>upload<\/b> was incorrect/, 'wrong content type refused');
    opendir(my $dh, '/tmp');
    is(scalar(grep { /^CGItemp/ && -o "/tmp/$_" && (stat "/tmp/$_")[9] >= $^T } readdir $dh), 0, 'no upload file left behind');
};

subtest 'oversized request' => sub {
    my $r = post('', name => 'x' x (10 * 1024 * 1024 + 10), Sign => 'Sign');
    like($r->{content}, qr/larger than this form accepts/, 'refused with the error page');
    is(scalar @{ rows() }, 5, 'nothing stored');
};

subtest 'the modules leave no warnings in the server log' => sub {
    my $log = join('', map { read_file($_) // '' } "$dir/lighttpd.out", "$dir/error.log");
    is_deeply([grep {/ line \d+/} split /\n/, $log], []);
};

done_testing;
