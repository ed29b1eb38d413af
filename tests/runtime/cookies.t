# Set-Cookie headers from the cookie text of a Set HTTP Cookies action.
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

subtest 'cookie text as the generator writes it' => sub {
    my $lines = headers(sub { SetCookies("user=J Doe&co,secure=0;token=abc,secure=1;\n", 1, 1893456000, '/cgi-bin', 'example.com') });
    is_deeply($lines, [
        'Set-Cookie: user=J+Doe%26co; expires=Tue, 01-Jan-2030 00:00:00 GMT; path=/cgi-bin; domain=example.com',
        'Set-Cookie: token=abc; expires=Tue, 01-Jan-2030 00:00:00 GMT; path=/cgi-bin; domain=example.com; secure',
    ]);
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
    like($lines->[0], qr/^Set-Cookie: evilLocation:x=1%0D%0AX%3A\+y; expires=[^;]+; path=\/Set-Cookie:z$/,
        'name and path lose blanks and separators, the value is form-encoded');
};

done_testing;
