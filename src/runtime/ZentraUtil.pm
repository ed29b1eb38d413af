package ZentraUtil;

# Helpers of the CGI scripts that Quillet generates that a request seldom needs
# (mostly for hand-written code), compiled by ZentraCGI on their first call.

use strict;
use warnings;

sub FormEncode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/([^\w ])/sprintf('%%%02X', ord($1))/ge;
    $text =~ tr/ /+/;
    return $text;
}

sub HtmlDecode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/&lt;/</gi;
    $text =~ s/&gt;/>/gi;
    $text =~ s/&quot;/"/gi;
    $text =~ s/&#(\d{1,3});/$1 < 256 ? chr($1) : "&#$1;"/ge;
    $text =~ s/&amp;/&/gi;
    return $text;
}

sub sqlstr {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/'/''/g;
    return $text;
}

sub EnvString {
    return join('', map {"$_=$ENV{$_}\n"} sort keys %ENV);
}

sub GetFieldState {
    my ($state, $value, @allowed) = @_;
    @allowed = @{ $allowed[0] } if @allowed == 1 && ref($allowed[0]) eq 'ARRAY';
    return '' unless defined $value;
    return (grep { defined && $_ eq $value } @allowed) ? $state : '';
}

# The visitor's host name, else the address, kept in the tied list (ZentraCGI::ReverseIP).
sub reverse_ip {
    my ($self) = @_;
    return $self->[0] if defined $self->[0];
    my $address = defined $ENV{REMOTE_ADDR} ? $ENV{REMOTE_ADDR} : '';
    my $host    = $ENV{REMOTE_HOST};
    if (!(defined $host && $host ne '' && $host ne $address) && $address ne '') {
        require Socket;
        my $ipv6   = $address =~ /:/;
        my $family = $ipv6 ? Socket::AF_INET6() : Socket::AF_INET();
        my $packed = Socket::inet_pton($family, $address);
        $host = $packed ? gethostbyaddr($packed, $family) : undef;
    }
    return $self->[0] = (defined $host && $host ne '') ? $host : $address;
}

1;
