# Set-Cookie headers: the cookie text of older scripts, scope, expiry, and
# names and values that must not split a cookie or add a header.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use lib runtime_dir();
use ZentraCGI;

sub headers {
    my ($code) = @_;
    my $out = '';
    open(my $fh, '>', \$out) or die;
    my $old = select($fh);
    $code->();
    select($old);
    return [split /\n/, $out];
}

local $ENV{HTTP_HOST} = 'www.example.com:8080';

subtest 'cookie text of older scripts' => sub {
    my $lines = headers(sub { SetCookies("user=J Doe&co,secure=0;token=abc,secure=1;\n", 1, 1893456000, '/cgi-bin', 'example.com') });
    is_deeply($lines, [
        'Set-Cookie: user=J+Doe%26co; expires=Tue, 01-Jan-2030 00:00:00 GMT; path=/cgi-bin; domain=example.com',
        'Set-Cookie: token=abc; expires=Tue, 01-Jan-2030 00:00:00 GMT; path=/cgi-bin; domain=example.com; secure',
    ]);
};

subtest 'scope: the path of the address, a domain only where the browser keeps it' => sub {
    my @cases = (
        # path argument, domain argument, attributes written
        ['http://127.0.0.1:8080/cgi-bin', '127.0.0.1:2121', '; path=/cgi-bin', 'an FTP address is no cookie domain'],
        ['https://www.example.com', 'www.example.com:21', '; path=/; domain=www.example.com', 'port cut from the host'],
        ['/cgi-bin/', 'example.com', '; path=/cgi-bin/; domain=example.com', 'a parent domain of the host'],
        ['/x?y=1', 'other.org', '; path=/x', 'a domain the host is not in is left out'],
        ['', 'localhost', '', 'a single label is left out'],
    );
    for my $case (@cases) {
        my ($path, $domain, $attrs, $what) = @$case;
        is(headers(sub { SetCookie(0, 'a', 1, 0, $path, $domain, 0) })->[0], "Set-Cookie: a=1$attrs", $what);
    }
};

subtest 'names and values are encoded whole and decoded on reading' => sub {
    my ($line) = @{ headers(sub { SetCookie(0, 'my name;x', "v;admin=1, b=2 \xC3\xA9", 0, '/', '', 0) }) };
    is($line, 'Set-Cookie: my+name%3Bx=v%3Badmin%3D1%2C+b%3D2+%C3%A9; path=/', 'one cookie, nothing to split at');
    my ($pair) = $line =~ /^Set-Cookie: ([^;]*)/;
    local $ENV{HTTP_COOKIE} = "$pair; other=1";
    GetCookies();
    is_deeply(\%ZentraCGI::COOKIEJAR, { 'my name;x' => "v;admin=1, b=2 \xC3\xA9", other => 1 }, 'read back as set');
};

subtest 'expiry styles' => sub {
    my $days = 21915;    # 2030-01-01 as whole days since 1970, as the cookie page stores it
    my ($line) = @{ headers(sub { SetCookie(1, 'a', 1, $days, '', '', 0) }) };
    like($line, qr/expires=Tue, 01-Jan-2030 00:00:00 GMT$/, 'style 1 with a day count');
    ($line) = @{ headers(sub { SetCookie(0, 'a', 1, 2, '', '', 0) }) };
    my ($stamp) = $line =~ /expires=(.*)$/;
    is($stamp, ToGMTString(time + 2 * 86400), 'style 0 counts days from now');
    ($line) = @{ headers(sub { SetCookie(0, 'a', 1, 0, '', '', 0) }) };
    is($line, 'Set-Cookie: a=1', 'zero days gives a session cookie');
    ($line) = @{ headers(sub { DeleteCookie('a', '/') }) };
    like($line, qr/^Set-Cookie: a=; expires=(.*) GMT; path=\/$/, 'DeleteCookie');
    my ($when) = $line =~ /expires=(.*)/;
    is("$when", ToGMTString(time - 86400) . '; path=/', 'one day in the past');
};

subtest 'nothing from a value can add a header' => sub {
    my $lines = headers(sub { SetCookies("evil\r\nLocation: x=1\r\nX: y,secure=0;", 0, 1, "/\r\nSet-Cookie: z", '') });
    is(scalar(@$lines), 1, 'one header line');
    unlike($lines->[0], qr/[\r]/, 'no carriage return');
    like($lines->[0], qr/^Set-Cookie: evil%0D%0ALocation%3A\+x=1%0D%0AX%3A\+y; expires=[^;]+; path=\/Set-Cookie:z$/,
        'name and value form-encoded, the path loses blanks and separators');
};

done_testing;
