#!/usr/bin/perl
# The guestbook example's insert handler, built by quillet-cli and laid out as
# a publish lays it out, against a minimal hand-written DBI CGI script doing
# the same insert and answering with the same page, side by side in one run:
#   - instructions of one request each, counted by valgrind's callgrind when
#     valgrind is installed (the steadiest figure on a shared machine);
#   - requests per second and median latency under lighttpd on 127.0.0.1, in
#     interleaved rounds.
#
#   perl bench/runtime_cgi.pl [requests per script, default 300]
#
# QUILLET_CLI names the quillet-cli to build with (default build/src/quillet-cli).
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../tests/runtime/lib";
use RuntimeTest;
use DBI;
use HTTP::Tiny;
use File::Copy qw(copy);
use File::Path qw(make_path);
use POSIX ();
use Time::HiRes qw(time);

my $count = shift || 300;
my $cli   = $ENV{QUILLET_CLI} || "$FindBin::Bin/../build/src/quillet-cli";
die "no quillet-cli at $cli; build first or set QUILLET_CLI\n" unless -x $cli;
my $dir     = temp_dir();
my $root    = "$dir/www";
my $project = "$dir/project";
my $cgi     = "$root/cgi-bin";
make_path("$project/templates");
$ENV{QUILLET_HOME} = "$dir/home";

my $example = "$FindBin::Bin/../examples/guestbook";
copy("$example/$_", "$project/$_") or die "$_: $!" for qw(guestbook.html guestbook.prj);
copy("$example/templates/$_", "$project/templates/$_") or die "$_: $!" for qw(thanks.html entries.html);
system("'$cli' build '$project/guestbook.prj' >/dev/null") == 0 or die "build failed\n";
deploy_uploads($cli, "$project/guestbook.prj", $root);
make_path("$cgi/data");
DBI->connect("DBI:SQLite:database=$cgi/data/guestbook.db", '', '')
    ->do('CREATE TABLE entries (id INTEGER PRIMARY KEY, name VARCHAR(80) NOT NULL, email VARCHAR(120), message TEXT)');

write_file("$cgi/plain.cgi", <<'PERL');
#!/usr/bin/perl
use strict;
use DBI;
my $body = '';
read(STDIN, $body, $ENV{CONTENT_LENGTH} || 0);
my %f;
for (split /&/, $body) { my ($k, $v) = map { tr/+/ /r =~ s/%([0-9A-Fa-f]{2})/chr hex $1/ger } split /=/, $_, 2; $f{$k} = $v }
my $db = DBI->connect("DBI:SQLite:database=data/guestbook.db", "", "", { RaiseError => 1 });
$db->do("INSERT INTO entries (name, email, message) VALUES (?, ?, ?)", undef, @f{qw(name email message)});
(my $name = $f{name} // '') =~ s/([&<>"'])/'&#' . ord($1) . ';'/ge;
print "Content-type: text/html; charset=utf-8\n\n<html>\n<head><title>Thank you</title></head>\n<body>\n"
    . "<h1>Thank you, $name!</h1>\n<p>Your entry has been added to the guestbook.</p>\n</body>\n</html>\n";
PERL
chmod 0755, "$cgi/plain.cgi";

my $form = 'name=Ann&email=ann%40example.org&message=hello&Sign=Sign';

# Instructions of one request, run the way mod_cgi runs it.
sub instructions {
    my ($script) = @_;
    local %ENV = (%ENV, REQUEST_METHOD => 'POST', CONTENT_TYPE => 'application/x-www-form-urlencoded',
        CONTENT_LENGTH => length($form), SCRIPT_FILENAME => "$cgi/$script.cgi", SCRIPT_NAME => "/cgi-bin/$script.cgi",
        SERVER_NAME => '127.0.0.1');
    my $out = "$dir/$script.out";
    open(my $pipe, '|-', "cd $cgi && valgrind --tool=callgrind --callgrind-out-file=/dev/null $^X $script.cgi >$out 2>$dir/cg.log")
        or die "valgrind: $!";
    print {$pipe} $form;
    close($pipe);
    die "$script: " . (read_file($out) // '') unless (read_file($out) // '') =~ /Thank you, Ann!/;
    my ($refs) = (read_file("$dir/cg.log") // '') =~ /Collected : (\d+)/;
    return $refs;
}

if (grep { -x "$_/valgrind" } split /:/, $ENV{PATH}) {
    my %refs;
    $refs{$_} = instructions($_) for qw(guestbook plain guestbook plain);    # the second run of each counts
    printf "%-9s %12s instructions per request\n", $_, $refs{$_} =~ s/(\d)(?=(\d{3})+$)/$1,/gr for qw(guestbook plain);
    printf "instruction ratio guestbook/plain: %.3f\n", $refs{guestbook} / $refs{plain};
}

my $port = free_port();
my $pid  = start_lighttpd($dir, $root, $port);
wait_port($port) or die 'lighttpd did not start';
my $http = HTTP::Tiny->new(timeout => 30);
my %times;
for my $round (1 .. 10) {
    for my $script (qw(guestbook plain)) {
        for (1 .. $count / 10) {
            my $start = time;
            my $r = $http->request('POST', "http://127.0.0.1:$port/cgi-bin/$script.cgi",
                { content => $form, headers => { 'content-type' => 'application/x-www-form-urlencoded' } });
            die "$script: $r->{status} $r->{content}" unless $r->{content} =~ /Thank you, Ann!/;
            push @{ $times{$script} }, time - $start;
        }
    }
}
stop_server($pid);

for my $script (qw(guestbook plain)) {
    my @t = sort { $a <=> $b } @{ $times{$script} };
    my $total = 0;
    $total += $_ for @t;
    printf "%-9s %6.1f requests/s  median %6.1f ms  (%d sequential requests)\n", $script, @t / $total,
        $t[@t / 2] * 1000, scalar @t;
}
my ($g, $p) = map { my @t = sort { $a <=> $b } @{ $times{$_} }; $t[@t / 2] } qw(guestbook plain);
printf "median latency ratio guestbook/plain: %.2f\n", $g / $p;
