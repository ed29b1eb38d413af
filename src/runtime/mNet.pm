package mNet;

# Sockets for the CGI scripts that Quillet generates: a connection with a
# time-out and line-wise replies (used by Sendmail for SMTP and POP3), and
# package mDNS below, which asks name servers over TCP whether an e-mail
# domain has a mail exchanger or a web host exists.

use strict;
use warnings;
use IO::Socket::IP;
use IO::Select;

our $TIMEOUT = 30;

# "host", "host:port", "[v6]:port" -> (host, port)
sub split_hostport {
    my ($text, $default_port) = @_;
    $text = '' unless defined $text;
    $text =~ s/^\s+|\s+$//g;
    return ($1, $2 || $default_port) if $text =~ /^\[([^\]]+)\](?::(\d+))?$/;
    return ($1, $2) if $text =~ /^([^:]+):(\d+)$/;
    return ($text, $default_port);
}

sub connect_to {
    my ($host, $port, $timeout) = @_;
    return IO::Socket::IP->new(
        PeerHost => $host, PeerPort => $port, Proto => 'tcp', Timeout => $timeout || $TIMEOUT);
}

# One line, without its CR LF; undef on time-out or end of stream.
sub read_line {
    my ($sock, $timeout) = @_;
    my $line = '';
    my $select = IO::Select->new($sock);
    while ($line !~ /\n\z/) {
        return undef unless $select->can_read($timeout || $TIMEOUT);
        my $got = sysread($sock, my $byte, 1);
        return undef unless $got;
        $line .= $byte;
        return undef if length($line) > 65536;
    }
    $line =~ s/\r?\n\z//;
    return $line;
}

sub read_exact {
    my ($sock, $length, $timeout) = @_;
    my $data   = '';
    my $select = IO::Select->new($sock);
    while (length($data) < $length) {
        return undef unless $select->can_read($timeout || $TIMEOUT);
        my $got = sysread($sock, $data, $length - length($data), length($data));
        return undef unless $got;
    }
    return $data;
}

sub send_all {
    my ($sock, $data) = @_;
    while (length $data) {
        my $sent = syswrite($sock, $data);
        return 0 unless $sent;
        substr($data, 0, $sent) = '';
    }
    return 1;
}

package mDNS;

# RFC 1035 queries over TCP port 53 (4.2.2: two-byte length before each message).

use strict;
use warnings;

our $TIMEOUT = 10;
my %TYPE = (A => 1, MX => 15, AAAA => 28);

sub nameservers {
    no warnings 'once';
    my @servers = grep { $_ ne '' } map { split /[\s,;]+/ } grep {defined} @main::nameservers;
    return @servers if @servers;
    open(my $fh, '<', '/etc/resolv.conf') or return ();
    while (my $line = <$fh>) {
        push @servers, $1 if $line =~ /^\s*nameserver\s+(\S+)/;
    }
    return @servers;
}

sub build_query {
    my ($id, $name, $type) = @_;
    my $qname = '';
    for my $label (split /\./, $name) {
        return undef if length($label) == 0 || length($label) > 63;
        $qname .= chr(length $label) . $label;
    }
    return pack('n6', $id, 0x0100, 1, 0, 0, 0) . $qname . "\0" . pack('n2', $TYPE{$type}, 1);
}

# Skips a possibly compressed name; returns the offset after it, or undef.
sub skip_name {
    my ($packet, $offset) = @_;
    for (1 .. 128) {
        return undef if $offset >= length $packet;
        my $len = ord substr($packet, $offset, 1);
        return $offset + 1 if $len == 0;
        return $offset + 2 if ($len & 0xC0) == 0xC0;
        return undef if $len & 0xC0;
        $offset += 1 + $len;
    }
    return undef;
}

# 1 when the answer holds a record of the type, 0 when the server says there is
# none, undef for an unusable reply.
sub answer_has {
    my ($packet, $id, $type) = @_;
    return undef if length($packet) < 12;
    my ($rid, $flags, $qd, $an) = unpack('n4', $packet);
    return undef if $rid != $id || !($flags & 0x8000);
    my $rcode = $flags & 0xF;
    return 0 if $rcode == 3;
    return undef if $rcode != 0;
    my $offset = 12;
    for (1 .. $qd) {
        $offset = skip_name($packet, $offset);
        return undef unless defined $offset;
        $offset += 4;
    }
    for (1 .. $an) {
        $offset = skip_name($packet, $offset);
        return undef if !defined $offset || $offset + 10 > length $packet;
        my ($rtype, undef, undef, $rdlen) = unpack('n n N n', substr($packet, $offset, 10));
        return 1 if $rtype == $TYPE{$type};
        $offset += 10 + $rdlen;
    }
    return 0;
}

sub ask {
    my ($server, $name, $type) = @_;
    my ($host, $port) = mNet::split_hostport($server, 53);
    my $id    = int(rand(65536));
    my $query = build_query($id, $name, $type);
    return undef unless defined $query;
    my $sock = mNet::connect_to($host, $port, $TIMEOUT) or return undef;
    mNet::send_all($sock, pack('n', length $query) . $query) or return undef;
    my $head = mNet::read_exact($sock, 2, $TIMEOUT);
    return undef unless defined $head;
    my $packet = mNet::read_exact($sock, unpack('n', $head), $TIMEOUT);
    close $sock;
    return defined $packet ? answer_has($packet, $id, $type) : undef;
}

# First server that gives a usable answer decides; undef when none does.
sub lookup {
    my ($name, @types) = @_;
    return 0 unless defined $name && $name =~ /^[\w\-]+(?:\.[\w\-]+)*\.?$/;
    $name =~ s/\.$//;
    for my $server (nameservers()) {
        my $found;
        for my $type (@types) {
            my $has = ask($server, $name, $type);
            last unless defined $has;
            $found = $has;
            return 1 if $has;
        }
        return $found if defined $found;
    }
    return undef;
}

sub chkemail {
    my ($address) = @_;
    return 0 unless defined $address && $address =~ /\@([^\s\@>]+)\s*>?\s*$/;
    return lookup($1, 'MX');
}

sub chkurl {
    my ($url) = @_;
    return 0 unless defined $url && $url =~ m{^\s*\w+://(?:[^\@/]*\@)?([^:/?#\s]+)};
    return lookup($1, 'A', 'AAAA');
}

1;
