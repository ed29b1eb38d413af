# Templates (MakeMsg), data files (ReadWrite), responses (PostUrl, Info) and the
# include-path functions appended to every script.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use lib runtime_dir();
use ZentraCGI;

our (%FORM, @FIELDS, $cgipath, $ftproot, $WWW_APPNAME, $Sel, %_str_chk_state);
my $dir = temp_dir();
mkdir "$dir/data";
mkdir "$dir/templates";
$cgipath = $dir;
$ftproot = '';
$WWW_APPNAME = 'Guest <Book>';

sub form {
    my ($body) = @_;
    %FORM = (); @FIELDS = ();
    read_urlencoded($body);
}

our ($Read1, $Gen, $Ins, %COOKIEJAR);
my $template = write_file("$dir/templates/reply.html",
    "<html>\r\n<body bgcolor=\"#ffffff\">\r\nHi \$FORM{'name'}[0]! All: \@{\$FORM{'tag'}} [\$FIELD_STATE{'c'}{'y'}]\r\n</body>\r\n</html>\r\n");

subtest 'MakeMsg fills every reference, escaped, and leaves the rest as typed' => sub {
    local %_str_chk_state = (c => ['x', 'y']);
    form('name=<script>alert(1)</script>&tag=a&tag="b"&c=y&code=@{[ die ]}$ENV{PATH}');
    $FORM{WWW_DATE} = ['2030-01-02'];
    $Sel = { rows => [{ note => '<img src=x onerror=alert(2)>' }], index => [1], nrows => 1, DefaultReport => '<table></table>' };
    $Ins = { nrows => '0E0' };
    $Read1 = '<svg onload=alert(3)>';
    local %COOKIEJAR = (k => '"><b>');
    local $ENV{HTTP_REFERER} = 'http://x/"><script>';
    my @cases = (
        ["\$FORM{'name'}[0] \$FORM{name} \$FORM{\"name\"}", join(' ', ('&lt;script&gt;alert(1)&lt;/script&gt;') x 3), 'form values, any key quoting'],
        ["\@{\$FORM{'tag'}} \$FIELD_STATE{'c'}{'y'}|\$FIELD_STATE{'c'}{'x'}|", 'a &quot;b&quot; CHECKED||', 'all values, field states'],
        ["\$FORM{'WWW_DATE'} \$FORM{'WWW_DATE'}[0] \$FORM{'WWW_SUPPORTCOOKIE'}", '2030-01-02 2030-01-02 ', 'a default variable with or without its index'],
        ["\$ENV{'HTTP_REFERER'} \$COOKIEJAR{'k'} \$Read1", 'http://x/&quot;&gt;&lt;script&gt; &quot;&gt;&lt;b&gt; &lt;svg onload=alert(3)&gt;', 'environment, cookies, read-in data'],
        ["\$Sel->{rows}[0]{'note'} #\$Sel->{index}[0] \$Sel->{DefaultReport} \$Ins->{nrows}", '&lt;img src=x onerror=alert(2)&gt; #1 <table></table> 0', 'result rows escaped, the report kept, a row count a number'],
        ['info@example.org costs $5, $ 5 or US$Deluxe; a lone $ and @; $Nobody{x} @{[ 1 ]}', 'info@example.org costs $5, $ 5 or US$Deluxe; a lone $ and @; $Nobody{x} @{[ 1 ]}', 'other text as typed'],
        ["\$FORM{'code'}[0]", '@{[ die ]}$ENV{PATH}', 'a submitted value is never evaluated'],
        ["\@{[ defined \$FORM{'c'} ? qq(<i>\$FORM{'c'}[0]</i>) : '' ]}\@{[ defined \$FORM{'no'} ? qq(<b>) : '' ]}", '<i>y</i>',
            'the button an older paging form carries when it was pressed'],
    );
    for my $case (@cases) {
        my ($text, $want, $what) = @$case;
        write_file("$dir/templates/case.html", $text);
        is(MakeMsg('m', "$dir/templates/case.html", 0, 0), $want, $what);
    }
    $Gen = MakeMsg('Gen', $template, 1, 0);
    write_file("$dir/templates/case.html", '<div>$Gen</div>');
    is(MakeMsg('m', "$dir/templates/case.html", 0, 0), "<div>$Gen</div>", 'a page a MakeMsg filled is shown as markup');
    is($Gen, "\nHi &lt;script&gt;alert(1)&lt;/script&gt;! All: a &quot;b&quot; [CHECKED]\n", 'body only, CRs removed');
    is(MakeMsg('reply', $template, 0, 1), read_file($template), 'raw flag returns the file as it is');
    is($FORM{name}[0], '<script>alert(1)</script>', 'the form keeps the raw value afterwards');
};

subtest 'ReadWrite writes data files with raw values' => sub {
    form('name=<b>Ann</b>&tag=1');
    my $data = "$dir/data/log.txt";
    unlink $data;
    my $line = write_file("$dir/templates/line.txt", "\$FORM{'name'}[0];\@{\$FORM{'tag'}}\n");
    is(ReadWrite('w', 1, $line, "$cgipath/data/log.txt", '0'), "<b>Ann</b>;1\n", 'returns the filled text');
    ReadWrite('w', 1, $line, "$cgipath/data/log.txt", '0');
    is(read_file($data), "<b>Ann</b>;1\n<b>Ann</b>;1\n", 'mode 1 appends');
    ReadWrite('w', 0, $line, $data, '1');
    is(read_file($data), "<b>Ann</b>;1\n", 'mode 0 overwrites');
    is(ReadWrite('r', 2, '', "$cgipath//data\\log.txt", '0'), "<b>Ann</b>;1\n", 'mode 2 reads, path normalised');
    ReadWrite('w', 0, '', $data, '0');
    is(read_file($data), "name: <b>Ann</b>\ntag: 1\n", 'no template: the text listing of the fields');
    local $ftproot = $dir;
    ReadWrite('w', 0, $line, '/data/log.txt', '0');
    ok(-s $data, 'a path beginning with / is taken under $ftproot');
    like(MakeMsg('m', $template, 0, 0), qr/Hi/, 'a template path built from $cgipath is not prefixed again');
};

sub run_script {
    my ($body, $stdin, %env) = @_;
    my ($out) = run_cgi(dir => $dir, script => cgi_script($dir, $body), stdin => $stdin, env => \%env);
    return $out;
}

subtest 'file names from the form stay in the data folder' => sub {
    write_file("$dir/secret.txt", "TOPSECRET\n");
    my @cases = (
        ['ReadWrite("r", 2, "", "$cgipath/data/$FORM{\'f\'}[0]", "0")', 'f=..%2Fsecret.txt', 'dot-dot in a quoted path'],
        ['ReadWrite("r", 2, "", "$cgipath/data/$FORM{\'f\'}[0]", "0")', 'f=..%5C..%5Csecret.txt', 'backslashes'],
        ['ReadWrite("r", 2, "", $FORM{\'f\'}[0], "0")', "f=$dir/secret.txt", 'a bare absolute name'],
        ['ReadWrite("r", 2, "", $FORM{\'f\'}[0], "1")', "f=$dir/secret.txt", 'a bare name with the no-fix flag'],
        ['MakeMsg("m", $FORM{\'f\'}[0], 0, 0)', "f=$dir/secret.txt", 'a template named by the form'],
    );
    for my $case (@cases) {
        my ($call, $stdin, $what) = @$case;
        my $out = run_script("ParseForm();\nprint \"Content-type: text/plain\\n\\n\", $call;\n", $stdin);
        like($out, qr/Submission Error.*Can not read file/s, "$what: refused");
        unlike($out, qr/TOPSECRET/, "$what: nothing read");
    }
    my $out = run_script("ParseForm();\nReadWrite('w', 1, '', \"\$cgipath/data/\$FORM{'f'}[0]\", '0');\nPostUrl('x', 1, '', '');\n",
        'f=..%2F..%2Fpwned.txt');
    like($out, qr/Can not append data to file/, 'append through ../ refused');
    ok(!-e "$dir/../pwned.txt" && !-e "$dir/pwned.txt", 'nothing written');
    # As deployed: $ftproot still set, $cgipath already the system path.
    (my $root = $dir) =~ s{/[^/]+$}{};
    $out = run_script("\$ftproot='$root';\nParseForm();\nReadWrite('w', 1, '', \$FORM{'f'}[0], '1');\nPostUrl('x', 1, '', '');\n",
        'f=notes.txt&t=1');
    like($out, qr/Thank you/, 'a plain name from the form works');
    ok(-s "$dir/data/notes.txt", 'and lands in the data folder');
    my ($err, $status);
    ($out, $err) = run_cgi(dir => $dir, script => cgi_script($dir, "ReadWrite('w', 1, '', '$dir/data/none/x.txt', '0');\n"));
    my ($reference) = $out =~ /Can not append data to file x\.txt\. .*Reference: (\w{8})/s;
    ok($reference, 'unwritable file: error page with the file name and a reference');
    unlike($out, qr/\Q$dir\E/, 'but no server path');
    like($err, qr/error \Q$reference\E: Can not append data to file \Q$dir\E\/data\/none\/x\.txt.*\(No such file/,
        'the log has the path, the cause and the same reference');
    $out = run_script("MakeMsg('m', '', 0, 0);\n");
    like($out, qr/No filename was given/, 'template without a name');

    # Names a server would run or hide, and links planted in the data folder.
    symlink("$dir/secret.txt", "$dir/data/planted.txt");
    for my $name ('.htaccess', 'x.shtml', 'x.php.txt', 'sub/.hidden/x.txt', 'x.CGI', 'planted.txt') {
        $out = run_script("ParseForm();\nReadWrite('w', 1, '', \$FORM{'f'}[0], '1');\nPostUrl('x', 1, '', '');\n",
            "f=$name");
        like($out, qr/Can not append data to file/, "$name refused");
    }
    is(read_file("$dir/secret.txt"), "TOPSECRET\n", 'nothing written through the link');
    ok(!-e "$dir/data/.htaccess" && !-e "$dir/data/x.shtml", 'nothing created');
    like(run_script("ParseForm();\nprint \"Content-type: text/plain\\n\\n\", ReadWrite('r', 2, '', \$FORM{'f'}[0], '1');\n",
        'f=planted.txt'), qr/Can not read file/, 'nor read through it');
};

subtest 'appends from concurrent submissions lose no line' => sub {
    my $data = "$dir/data/concurrent.txt";
    unlink $data;
    my $line = write_file("$dir/templates/big.txt", "\$FORM{'n'}[0]:" . ('x' x 20000) . "\n");
    my @pids;
    for my $n (1 .. 8) {
        my $pid = fork();
        if ($pid == 0) {
            form("n=$n");
            ReadWrite('w', 1, $line, $data, '0') for 1 .. 25;
            require POSIX;
            POSIX::_exit(0);
        }
        push @pids, $pid;
    }
    waitpid($_, 0) for @pids;
    my @lines = split /\n/, read_file($data);
    is(scalar(@lines), 200, 'every line arrived');
    is(scalar(grep { !/^\d:x{20000}$/ } @lines), 0, 'no line is torn');
};

# Every page the runtime builds itself is valid HTML5, where tidy is at hand.
sub tidy_errors {
    my ($page) = @_;
    return '' unless -x '/usr/bin/tidy';
    my $file = write_file("$dir/page.html", $page);
    return scalar `/usr/bin/tidy -errors -quiet $file 2>&1`;
}

subtest 'responses' => sub {
    my $out = run_script("ParseForm();\nPostUrl('r', 0, '', \"http://example.com/\$FORM{'u'}[0]\");\n", 'u=a%0D%0ASet-Cookie:+x=1');
    is($out, "Location: http://example.com/aSet-Cookie: x=1\n\n", 'redirect without line breaks from values');
    $out = run_script("ParseForm();\nPostUrl('r', 0, '', 'http://example.com/');\n", '', PERLXS => 'PerlIS');
    like($out, qr{^HTTP/1.0 302 Moved Temporarily\nLocation: http://example.com/\n\n$}, 'in-process server gets a status line');
    $out = run_script("ParseForm();\nPostUrl('DefaultAction', 1, '', '');\nprint 'after';\n", 'msg=%3Cscript%3Ex%3C%2Fscript%3E&n=1&n=2&u=%C3%A9');
    like($out, qr{^Content-type: text/html; charset=utf-8\n\n<!DOCTYPE html>\n.*<h1>Thank you</h1>}s, 'thank-you page');
    like($out, qr{&lt;script&gt;x&lt;/script&gt;}, 'received values escaped');
    like($out, qr{<b>n</b></td><td>1<br>2}, 'every value of a field listed');
    unlike($out, qr{<script>|after}, 'no raw markup, and the script ends');
    my @pages = ($out =~ /\n\n(.*)/s);
    $out = run_script("ParseForm();\nPostUrl('r', 1, '$template', '');\n", 'name=%3Ci%3E');
    like($out, qr{^Content-type: text/html; charset=utf-8\n\n<html>\n.*Hi &lt;i&gt;!}s, 'filled template, UTF-8 unless it says otherwise');
    my $latin = write_file("$dir/templates/latin.html", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">\$FORM{'name'}[0]");
    like(run_script("ParseForm();\nPostUrl('r', 1, '$latin', '');\n", 'name=%E9'), qr{^Content-type: text/html; charset=iso-8859-1\n\n.*\xE9$}s,
        'the charset a page declares');
    $out = run_script("Info();\n");
    like($out, qr{^Content-type: text/html; charset=utf-8\n\n.*submit it with one of its buttons}s, 'information page');
    like($out, qr{<title>Quillet Test</title>}, 'titled with the application name');
    push @pages, $out =~ /\n\n(.*)/s;
    push @pages, run_script("MakeMsg('m', '', 0, 0);\n") =~ /\n\n(.*)/s;
    is(tidy_errors($_), '', 'valid HTML5') for @pages;
};

subtest 'include-path functions' => sub {
    do(runtime_dir() . '/include-path.pl');
    die $@ if $@;
    local @INC = ('/usr/share/perl5', '.', '/opt/lib');
    local $ftproot = '/srv/site';
    SetIncludePath('/cgi-bin//lib\\x');
    is_deeply(\@INC, ['/usr/share/perl5', '/opt/lib', '/srv/site/cgi-bin/lib/x', '.'], 'SetIncludePath');
    my @cases = (
        [{ PATH_TRANSLATED => 'C:\\web\\cgi\\a.cgi' }, 'C:/web/cgi', 'PATH_TRANSLATED with backslashes'],
        [{ SCRIPT_FILENAME => '/srv/www//cgi-bin/a.cgi' }, '/srv/www/cgi-bin', 'SCRIPT_FILENAME'],
        [{ SCRIPT_FILENAME => '/srv/cgi/a.cgi', PATH_TRANSLATED => '/srv/www/extra', PATH_INFO => '/extra' },
            '/srv/cgi', 'PATH_TRANSLATED of extra path info is not the script'],
    );
    for my $case (@cases) {
        local %ENV = (%{ $case->[0] });
        is(GetCGIPath(), $case->[1], $case->[2]);
    }
    local %ENV = ();
    require Cwd;
    is(GetCGIPath(), Cwd::getcwd(), 'falls back to the current folder');
    local $ENV{SCRIPT_FILENAME} = '/home/u/public_html/cgi-bin/a.cgi';
    is(GetFTPRoot('/public_html/cgi-bin/'), '/home/u', 'prefix before the configured path');
    is(GetFTPRoot('/PUBLIC_HTML/cgi-bin'), '/home/u', 'compared without case');
    is(GetFTPRoot('/home/u/public_html/cgi-bin'), '', 'configured path as long as the folder');
    is(GetFTPRoot('/other'), '/home/u/public_html/cgi-bin', 'unrelated path: the folder itself');
};

done_testing;
