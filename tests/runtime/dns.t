# mDNS: reply parsing from raw packets, and the e-mail and URL checks against a
# scripted name server on TCP.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use IO::Socket::INET;
use lib runtime_dir();
use mNet;
use Validator;

sub name { join('', map { chr(length) . $_ } split /\./, $_[0]) . "\0" }

sub reply {
    my (%p) = @_;
    my $question = name($p{qname} || 'example.com') . pack('n2', $p{qtype} || 15, 1);
    my $answers  = join('', @{ $p{answers} || [] });
    return pack('n6', $p{id} // 7, 0x8180 | ($p{rcode} || 0), 1, scalar @{ $p{answers} || [] }, 0, 0)
        . $question . $answers;
}

my $mx    = "\xC0\x0C" . pack('n n N n', 15, 1, 300, 9) . pack('n', 10) . name('mx.ex');
my $cname = "\xC0\x0C" . pack('n n N n', 5, 1, 300, 5) . name('a.b');
my $a     = "\xC0\x0C" . pack('n n N n', 1, 1, 300, 4) . "\x7f\0\0\1";

my @cases = (
    [reply(answers => [$mx]), 'MX', 1, 'an MX answer'],
    [reply(answers => [$cname, $a], qtype => 1), 'A', 1, 'A after a CNAME'],
    [reply(answers => [$cname], qtype => 1), 'A', 0, 'only a CNAME'],
    [reply(rcode => 3), 'MX', 0, 'NXDOMAIN'],
    [reply(), 'MX', 0, 'no answers'],
    [reply(rcode => 2), 'MX', undef, 'server failure'],
    [reply(id => 8), 'MX', undef, 'another id'],
    [substr(reply(answers => [$mx]), 0, 30), 'MX', undef, 'truncated'],
    [reply(answers => ["\xC0\x0C"]), 'MX', undef, 'record cut after its name'],
    [substr(reply(), 0, 12) . ("\x3F" . ('a' x 63)) x 3, 'MX', undef, 'name runs past the end'],
    [pack('n6', 7, 0x8180, 1, 1, 0, 0) . "\xC0\x0C" . pack('n2', 15, 1) . $mx, 'MX', 1, 'compressed question name'],
    ['', 'MX', undef, 'empty'],
);
for my $case (@cases) {
    my ($packet, $type, $want, $what) = @$case;
    is(mDNS::answer_has($packet, 7, $type), $want, $what);
}

subtest 'mangled replies never break the parser' => sub {
    srand(6);
    my @seeds = map { $_->[0] } @cases;
    my $bad = 0;
    for (1 .. 3000) {
        my $packet = $seeds[rand @seeds];
        substr($packet, rand(length($packet) + 1), 1) = chr(rand 256) for 1 .. 1 + rand 4;
        my $result = eval { mDNS::answer_has($packet, 7, 'MX') };
        $bad++ if $@ || (defined $result && $result ne '0' && $result ne '1');
    }
    is($bad, 0);
};

sub dns_server {
    my (%zone) = @_;    # "name TYPE" -> reply builder
    my $listen = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 5, ReuseAddr => 1) or die;
    my $pid = fork();
    if ($pid == 0) {
        while (my $c = $listen->accept) {
            read($c, my $len, 2);
            read($c, my $query, unpack('n', $len));
            my $id = unpack('n', $query);
            my ($qname, $qtype) = (substr($query, 12), 0);
            my @labels;
            my $pos = 12;
            while ((my $l = ord substr($query, $pos, 1)) > 0) { push @labels, substr($query, $pos + 1, $l); $pos += $l + 1 }
            $qtype = unpack('n', substr($query, $pos + 1, 2));
            my $key  = join('.', @labels) . " $qtype";
            my $resp = $zone{$key} ? $zone{$key}->($id) : reply(id => $id, rcode => 3);
            print $c pack('n', length $resp) . $resp;
            close $c;
        }
        exit 0;
    }
    return ($pid, $listen->sockport);
}

my ($pid, $port) = dns_server(
    'mail.example 15' => sub { reply(id => $_[0], answers => [$mx]) },
    'www.example.org 1' => sub { reply(id => $_[0], qtype => 1, answers => [$a]) },
    'v6.example.org 1' => sub { reply(id => $_[0], qtype => 1) },
    'v6.example.org 28' => sub { reply(id => $_[0], qtype => 28, answers => ["\xC0\x0C" . pack('n n N n', 28, 1, 1, 16) . ("\0" x 16)]) },
);
our @nameservers = ("127.0.0.1:$port");
is(mDNS::chkemail('ann@mail.example'), 1, 'domain with a mail exchanger');
is(mDNS::chkemail('ann@nomail.example'), 0, 'domain without one');
is(mDNS::chkurl('http://www.example.org/x'), 1, 'host with an address');
is(mDNS::chkurl('https://v6.example.org'), 1, 'host with an IPv6 address only');
is(mDNS::chkurl('http://nohost.example.org'), 0, 'unknown host');
my $v = Validator->new({ a => ['x@nomail.example'], b => ['y@mail.example'], c => ['http://www.example.org.'] });
$v->param(a => 'realemail', 1);
$v->param(b => 'realemail', 1);
ok(!$v->validate, 'REAL_EMAIL refuses a domain without a mail exchanger');
is_deeply([map { $_->[0] } $v->failed], ['a'], 'and accepts one with it');
@nameservers = ('127.0.0.1:' . free_port());
is(mDNS::chkemail('ann@mail.example'), undef, 'no server reachable');
is(Validator->new({})->check('realemail', 'ann@mail.example'), undef, 'which lets the address pass');
kill 'TERM', $pid;
waitpid($pid, 0);

done_testing;
