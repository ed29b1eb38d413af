package ZentraCookies;

# Set-Cookie headers (RFC 6265) for the CGI scripts that Quillet generates,
# compiled by ZentraCGI on the first call.
#
# Names and values are form-encoded, so no ";", ",", "=", blank or line break in
# them can end a cookie or add one; GetCookies decodes both. The path may be
# given as the whole CGI address, of which only the path is used. A domain is
# kept only when it names a host that the request's host lies in, without a
# port, and never an IP address: anything else would make the browser drop the
# cookie, while leaving it out keeps the cookie to this host.
#
# Choices: an expiry of 0 days gives a session cookie; a style-1 expiry below
# 10,000,000 is a day count (the cookie page stores whole days since 1970),
# larger ones are seconds; "; secure" is written as its own attribute.

use strict;
use warnings;

my @WDAY = qw(Sun Mon Tue Wed Thu Fri Sat);
my @MON  = qw(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec);

sub ToGMTString {
    my ($time) = @_;
    my @t = gmtime(defined $time ? $time : time);
    return sprintf('%s, %02d-%s-%04d %02d:%02d:%02d GMT',
        $WDAY[$t[6]], $t[3], $MON[$t[4]], $t[5] + 1900, $t[2], $t[1], $t[0]);
}

# The cookie text of older scripts: "name=value,secure=N;" for every cookie.
sub SetCookies {
    my ($text, $style, $expiry, $path, $domain) = @_;
    return unless defined $text;
    for my $cookie (split /;/, $text) {
        $cookie =~ s/^\s+|\s+$//g;
        next if $cookie eq '';
        my @attrs = split /,/, $cookie;
        my ($name, $value) = split /=/, shift(@attrs), 2;
        next unless defined $name && $name =~ /\S/;
        my $secure = 0;
        if (@attrs) {
            my (undef, $flag) = split /=/, $attrs[0], 2;
            $secure = (defined $flag && $flag =~ /^\s*1/) ? 1 : 0;
        }
        SetCookie($style, $name, defined $value ? $value : '', $expiry, $path, $domain, $secure);
    }
}

sub _expiry {
    my ($style, $expiry) = @_;
    return undef unless defined $expiry && $expiry =~ /^\s*-?\d+/;
    $expiry = int($expiry);
    if (($style || 0) == 1) {
        return $expiry < 10_000_000 ? $expiry * 86400 : $expiry;
    }
    return undef if $expiry == 0;    # a session cookie
    return time + $expiry * 86400;
}

sub _header_safe {
    my ($text) = @_;
    $text = defined $text ? "$text" : '';
    $text =~ s/[\x00-\x20;,\x7f]//g;
    return $text;
}

sub _path {
    my ($path) = @_;
    $path = _header_safe($path);
    if ($path =~ m{^[A-Za-z][\w+.\-]*://[^/]*(.*)$}s) {
        $path = $1 eq '' ? '/' : $1;
    }
    $path =~ s/[?#].*//s;
    return $path;
}

sub _domain {
    my ($domain) = @_;
    $domain = lc _header_safe($domain);
    $domain =~ s{^[a-z][\w+.\-]*://}{};
    $domain =~ s{[/:].*$}{}s;
    $domain =~ s/^\.+|\.+$//g;
    return '' if $domain !~ /[a-z]/ || $domain !~ /\./;
    my $host = lc($ENV{HTTP_HOST} || $ENV{SERVER_NAME} || '');
    $host =~ s/:\d+$//;
    return '' unless $host eq $domain || substr($host, -length($domain) - 1) eq ".$domain";
    return $domain;
}

sub SetCookie {
    my ($style, $name, $value, $expiry, $path, $domain, $secure) = @_;
    $name = ZentraCGI::FormEncode(defined $name ? $name : '');
    return if $name eq '';
    my $line = "Set-Cookie: $name=" . ZentraCGI::FormEncode($value);
    my $when = _expiry($style, $expiry);
    $line .= '; expires=' . ToGMTString($when) if defined $when;
    $path   = _path($path);
    $domain = _domain($domain);
    $line .= "; path=$path"     if $path ne '';
    $line .= "; domain=$domain" if $domain ne '';
    $line .= '; secure'         if $secure;
    print "$line\n";
}

sub DeleteCookie {
    my ($name, $path, $domain) = @_;
    SetCookie(1, $name, '', time - 86400, $path, $domain, 0);
}

1;
