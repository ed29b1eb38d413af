# Form parsing: urlencoded and multipart bodies, image buttons, repeated
# fields, field states, uploads and the body size limit.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use lib runtime_dir();
use ZentraCGI;

our (%FORM, @FIELDS, %FIELD_STATE, %TEMPFILES, %_str_sel_state, %_str_chk_state);

sub parse {
    my ($body, %env) = @_;
    local %ENV = (%ENV, REQUEST_METHOD => 'POST', CONTENT_TYPE => 'application/x-www-form-urlencoded',
        CONTENT_LENGTH => length($body), %env);
    open(my $fh, '<', \$body) or die;
    ParseForm($fh);
}

subtest 'urlencoded fields' => sub {
    my @cases = (
        ['a=1&a=2&a=3', 'a', [1, 2, 3], 'a field sent three times keeps every value in order'],
        ['go.x=10&go.y=20', 'go', [10, 20], 'image button coordinates count under the button'],
        ['t=a+b%20c%2b%26%3D', 't', ['a b c+&='], 'plus, %20 and escapes decode'],
        ['e=&e', 'e', ['', ''], 'empty and bare names give empty values'],
        ['n%2Eq=1', 'n', [1], 'a name is cut at its first dot after decoding'],
        ['bin=%00%FF', 'bin', ["\0\xFF"], 'any byte may be sent'],
    );
    for my $case (@cases) {
        my ($body, $name, $want, $what) = @$case;
        parse($body);
        is_deeply($FORM{$name}, $want, $what);
    }
    parse('b=1&a=2&b=3&c=4');
    is_deeply(\@FIELDS, [qw(b a c)], 'names in order of first appearance');
    ok(!exists $FORM{page}, 'ParseForm clears what the query string set');
    like($FORM{WWW_DATE}[0], qr/^\d{4}-\d\d-\d\d$/, 'date field');
    like($FORM{WWW_TIME}[0], qr/^\d\d:\d\d:\d\d$/, 'time field');
    like($FORM{WWW_HOUR}[0], qr/^(0[1-9]|1[0-2])$/, '12-hour clock');
    is($FORM{WWW_SUPPORTCOOKIE}[0], 0, 'no cookies sent');
};

subtest 'encoding helpers' => sub {
    my $bytes = join('', map {chr} 0 .. 255);
    is(FormDecode(FormEncode($bytes)), $bytes, 'form encoding round trip over every byte');
    is(FormEncode('a b&c/_~'), 'a+b%26c%2F_%7E', 'word bytes kept, upper-case escapes, blank as +');
    is(HtmlEncode(q{<a href="x">'&'</a>}), '&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;', 'HtmlEncode');
    is(HtmlDecode(HtmlEncode(q{<"&amp;'>})), q{<"&amp;'>}, 'HtmlDecode undoes it');
    is(sqlstr("O'Neil''s"), "O''Neil''''s", 'sqlstr doubles single quotes');
    local %ENV = (B => 2, A => 1);
    is(EnvString(), "A=1\nB=2\n", 'EnvString sorted, one per line');
};

subtest 'GET takes the query string' => sub {
    parse('', REQUEST_METHOD => 'GET', QUERY_STRING => 'q=x&q=y', CONTENT_LENGTH => undef);
    is_deeply($FORM{q}, [qw(x y)]);
};

subtest 'field states' => sub {
    local %_str_sel_state = (colour => ['red', 'green', 'blue']);
    local %_str_chk_state = (size => ['S', 'M'], agree => [' ']);
    parse('colour=red&colour=blue&size=M&agree=on');
    is_deeply($FIELD_STATE{colour}, { red => 'SELECTED', green => '', blue => 'SELECTED' }, 'list box');
    is_deeply($FIELD_STATE{size}, { S => '', M => 'CHECKED' }, 'radio group');
    is($FIELD_STATE{agree}{' '}, 'CHECKED', 'a check box without a value is sent as "on"');
    is(GetFieldState('CHECKED', 'M', ['S', 'M']), 'CHECKED', 'GetFieldState with allowed values');
    is(GetFieldState('CHECKED', 'X', 'S', 'M'),  '',        'GetFieldState with a value not allowed');
};

subtest 'cookies' => sub {
    parse('a=1', HTTP_COOKIE => 'id=42; name=J%20Doe;  empty=');
    is($FORM{WWW_SUPPORTCOOKIE}[0], 1);
    is_deeply(\%ZentraCGI::COOKIEJAR, { id => 42, name => 'J Doe', empty => '' });
};

sub multipart {
    my ($boundary, @parts) = @_;
    my $body = '';
    for my $part (@parts) {
        my ($name, $value, $filename, $type) = @$part;
        $body .= "--$boundary\r\nContent-Disposition: form-data; name=\"$name\""
            . (defined $filename ? "; filename=\"$filename\"\r\nContent-Type: $type" : '')
            . "\r\n\r\n$value\r\n";
    }
    return "$body--$boundary--\r\n";
}

subtest 'multipart with an upload' => sub {
    my $tmp = temp_dir();
    local $ENV{TMPDIR} = $tmp;
    my $data = "GIF89a\0\r\n\xFFbinary\r\n";
    my $body = multipart('XyZ', ['note', "line1\r\nline2\r\r"], ['pic.x', 3], ['pic.y', 4],
        ['file', $data, 'C:\\Users\\me\\photo.gif', 'image/gif'], ['empty', '', '', 'application/octet-stream']);
    parse($body, CONTENT_TYPE => 'multipart/form-data; boundary=XyZ');
    is($FORM{note}[0], "line1\r\nline2", 'text value loses trailing carriage returns only');
    is_deeply($FORM{pic}, [3, 4], 'image button in a multipart body');
    is($FORM{empty}[0], '', 'a file field left empty gives an empty value');
    my $upload = $FORM{file}[0];
    is("$upload", 'photo.gif', 'an upload prints as the client file name without its folder');
    my $entry = $TEMPFILES{'photo.gif'};
    is($entry->{type}, 'image/gif', 'content type kept');
    like($entry->{path}, qr{^\Q$tmp\E/CGItemp\d+$}, 'stored under TMPDIR with the CGItemp prefix');
    is((stat $entry->{path})[2] & 07777, 0600, 'upload file has mode 0600');
    local $/;
    is(scalar(<$upload>), $data, 'the handle reads the uploaded bytes');
    CleanUp();
    ok(!-e $entry->{path}, 'CleanUp removes the upload file');
};

subtest 'mangled multipart bodies never break the parser' => sub {
    local $ENV{TMPDIR} = temp_dir();
    srand(7);
    my $seed = multipart('b', ['a', "x\r\ny"], ['f', "\0\r\n--b", 'n.txt', 'text/plain'], ['c.x', 1]);
    my $bad = 0;
    for (1 .. 1000) {
        my $body = $seed;
        substr($body, rand(length($body) + 1), 1 + rand 3) = join('', map { chr(rand 256) } 1 .. rand 4) for 1 .. 1 + rand 3;
        eval { parse($body, CONTENT_TYPE => 'multipart/form-data; boundary=b'); CleanUp(); 1 } or $bad++;
    }
    is($bad, 0);
};

subtest 'upload files are created exclusively' => sub {
    my $tmp = temp_dir();
    local $ENV{TMPDIR} = $tmp;
    symlink("$tmp/target", sprintf('%s/CGItemp%d%04d', $tmp, $$, 1)) or die;
    parse(multipart('b', ['f', 'secret', 'a.txt', 'text/plain']), CONTENT_TYPE => 'multipart/form-data; boundary=b');
    ok(!-e "$tmp/target", 'a planted symlink is not followed');
    isnt($TEMPFILES{'a.txt'}{path}, sprintf('%s/CGItemp%d%04d', $tmp, $$, 1), 'another name is taken');
    CleanUp();
};

subtest 'body size limit' => sub {
    my $dir  = temp_dir();
    my $body = 'a=' . ('x' x 2000);
    my $script = cgi_script($dir, "\$WWW_MAXPOST = 1000;\nParseForm();\nprint \"Content-type: text/plain\\n\\nparsed\";\n");
    my ($out) = run_cgi(dir => $dir, script => $script, stdin => $body);
    like($out, qr/Submission Error/, 'declared length over the limit gets the error page');
    unlike($out, qr/parsed/, 'and the script ends');
    ($out) = run_cgi(dir => $dir, script => $script, stdin => $body, env => { CONTENT_LENGTH => undef });
    like($out, qr/Submission Error/, 'a body without a length is refused once past the limit');
    ($out) = run_cgi(dir => $dir, script => $script, stdin => 'a=1');
    like($out, qr/parsed/, 'a small body passes');
    $script = cgi_script($dir, "ParseForm();\nprint \"Content-type: text/plain\\n\\nparsed\";\n");
    ($out) = run_cgi(dir => $dir, script => $script, stdin => 'a=1', env => { CONTENT_LENGTH => 10 * 1024 * 1024 + 1 });
    like($out, qr/Submission Error/, 'default limit is 10 MiB');
};

done_testing;
