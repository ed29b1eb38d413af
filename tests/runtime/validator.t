# Validator methods, error text, and ValidateForm's rule mapping and error page.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use lib runtime_dir();
use ZentraCGI;
use Validator;

sub check {
    my ($method, $value) = @_;
    return Validator->new({})->check($method, $value);
}

my @year = localtime(time);
my $this_year = $year[5] + 1900;
my $this_month = $year[4] + 1;

my @cases = (
    # method, value, expected reason (undef = passes)
    [text => 'x', undef], [text => '   ', 'BADDATA'],
    [integer => ' 42 ', undef], [integer => '-1', 'BADDATA'], [integer => '4.2', 'BADDATA'],
    [number => '3.25', undef], [number => '2.', undef], [number => '.5', 'BADDATA'], [number => '1.2.3', 'BADDATA'],
    [number => '1e3', 'BADDATA'],
    [email => 'john.doe-x@mail.example.com', undef], [email => ' a_b@cd ', undef], [email => 'a@b', 'BADDATA'],
    [email => 'no-at.example.com', 'BADDATA'], [email => "a\@b.com\r\nBcc: x\@y.z", 'BADDATA'],
    [email => 'a b@c.com', 'BADDATA'],
    [phone => '+(44) 20 7946-0958', undef], [phone => '555-1234-567', undef], [phone => '5551234567', undef],
    [phone => '12-34', 'BADDATA'], [phone => 'call me', 'BADDATA'],
    [url => 'http://www.example.com/path?q=1', undef], [url => 'https://www.example.com', undef],
    [url => 'http://example.com', 'BADDATA'], [url => 'ftp://www.example.com', 'BADDATA'],
    [url => 'javascript:alert(1)', 'BADDATA'],
    [expdate => sprintf('%d/%d', $this_month, $this_year), undef],
    [expdate => sprintf('%02d-%02d', $this_month, ($this_year + 1) % 100), undef],
    [expdate => sprintf('12 %d', $this_year - 1), 'OLDDATA'],
    [expdate => '13/2099', 'BADDATA'], [expdate => '0/2099', 'BADDATA'], [expdate => 'soon', 'BADDATA'],
    [sqloperator => ' not  in ', undef], [sqloperator => 'LIKE', undef], [sqloperator => '; DROP', 'BADDATA'],
    [sqlparam => "O'Brien; --", undef],
    [nosuchmethod => 'x', 'BADDATA'],
);
for my $case (@cases) {
    my ($method, $value, $want) = @$case;
    is(check($method, $value), $want, "$method '$value'");
}

subtest 'credit cards: prefixes, lengths and the modulus-10 check' => sub {
    my @good = ('4222222222222', '4111 1111 1111 1111', '4111-1111-1111-1111', '36000000000008', '38000000000006',
        '30000000000004', '30500000000003', '378282246310005', '340000000000009', '201400000000009',
        '214900000000003', '213100000000001', '180000000000002', '5555555555554444', '5105105105105100',
        '6011111111111117', '3530111333300000');
    my @bad = ('4111111111111112', '5655555555554443', '30600000000002', '1234567812345678', '411111111111',
        '6011 0000 0000 0000 1', '', 'abcd', '390000000000008');
    is(check(creditcard => $_), undef, "accepts $_") for @good;
    is(check(creditcard => $_), 'BADDATA', "refuses '$_'") for @bad;
};

subtest 'required fields, month and year fields, uploads' => sub {
    require ZentraUpload;
    open(my $fh, '+>', undef) or die;
    my $upload = ZentraCGI::Upload->new($fh, 'photo.png');
    my %form = (name => [''], age => ['x'], opt => [''], card_MONTH => ['12'], card_YEAR => [$this_year + 1],
        old_MONTH => ['1'], old_YEAR => ['2001'], pic => [$upload], typed => ['photo.gif']);
    my $v = Validator->new(\%form);
    $v->settmpfiles({ "$upload" => { type => 'image/png' } });
    $v->param(name => 'text', 1);
    $v->param(age => 'integer', 1);
    $v->param(opt => 'email', 0);
    $v->param(missing => 'text', 1);
    $v->param(card => 'expdate', 1);
    $v->param(old => 'expdate', 1);
    $v->param(pic => 'type:image/*', 1);
    $v->param(typed => 'type:image/*', 1);
    ok(!$v->validate, 'fails');
    is_deeply([map {"$_->[0]:$_->[1]"} $v->failed],
        [qw(name:NODATA age:BADDATA missing:NODATA old:OLDDATA typed:BADDATA)], 'reasons per field');
    is($v->errmsg('[', ']', "\n"),
        "We are sorry, the following fields could not be properly processed.\n\nPlease correct the following:\n"
            . "[name] was not entered.\n[age] was incorrect.\n[missing] was not entered.\n[old] was expired.\n"
            . "[typed] was incorrect.\n", 'error text');
    my $v2 = Validator->new({ pic => [$upload] });
    $v2->settmpfiles({ "$upload" => { type => 'text/html' } });
    $v2->param(pic => 'type:image/*', 1);
    ok(!$v2->validate, 'an upload of another content type fails');
};

subtest 'ValidateForm in a script' => sub {
    my $dir  = temp_dir();
    my $body = "ValidateForm(\$_str_valid);\nprint \"Content-type: text/plain\\n\\nvalid\";\n";
    my $script = cgi_script($dir, "\$_str_valid=\"q=SQL_PARAM_ANYTHING&n=NOT NULL&e=EMAIL&x=ANYTHING&m=-integer&<i>=NOT NULL&"
        . "a%26b%3Dc%25=INTEGER&gr\xC3\xB6\xC3\x9Fe=NOT NULL&\";\nParseForm();\n$body");
    my ($out) = run_cgi(dir => $dir, script => $script, stdin => 'q=&n=ann&e=a%40b.com&m=5&%3Ci%3E=1&a%26b%3Dc%25=7&gr%C3%B6%C3%9Fe=L');
    is($out, "Content-type: text/plain\n\nvalid",
        'SQL_PARAM_ANYTHING lets an empty field pass; ANYTHING skips; encoded and non-ASCII names match');
    ($out) = run_cgi(dir => $dir, script => $script, stdin => 'n=&e=bad&m=x&a%26b%3Dc%25=7&gr%C3%B6%C3%9Fe=L');
    like($out, qr{^Content-type: text/html; charset=utf-8\n\n}, 'error page is a complete answer');
    like($out, qr{<b>n</b> was not entered\.<br>\n<b>e</b> was incorrect\.<br>\n<b>m</b> was incorrect\.<br>\n<b>&lt;i&gt;</b> was not entered}, 'fields in bold, lines ended by a line break, names escaped');
    like($out, qr{Submission Error.*Please click the Back button on your browser to go back\.}s, 'error page texts');
    unlike($out, qr/valid$/, 'the script ends');
    $script = cgi_script($dir, "\$_str_valid=\"f=image/*&\";\nParseForm();\n$body");
    ($out) = run_cgi(dir => $dir, script => $script, stdin => 'f=evil.gif');
    like($out, qr{<b>f</b> was incorrect}, 'a content-type rule refuses a typed-in value');
};

done_testing;
