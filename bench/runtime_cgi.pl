#!/usr/bin/perl
# Requests per second and median latency of an insert handler written in the
# generated layout (runtime modules, ValidateForm, PostUrl) against a minimal
# hand-written DBI CGI script doing the same insert, both under lighttpd on
# 127.0.0.1, measured in the same run with interleaved rounds.
#
#   perl bench/runtime_cgi.pl [requests per script, default 300]
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/../tests/runtime/lib";
use RuntimeTest;
use DBI;
use HTTP::Tiny;
use File::Copy qw(copy);
use POSIX ();
use Time::HiRes qw(time);

my $count = shift || 300;
my $dir   = temp_dir();
my $cgi   = "$dir/www/cgi-bin";
mkdir $_ for "$dir/www", $cgi, "$cgi/data", "$cgi/templates";
my $rt = runtime_dir();
copy("$rt/$_", "$cgi/$_") or die for qw(ZentraCGI.pm ZentraMsg.pm Validator.pm Sendmail.pm mNet.pm);
DBI->connect("DBI:SQLite:database=$cgi/data/g.db", '', '')->do('CREATE TABLE e (name TEXT, message TEXT)');
write_file("$cgi/templates/thanks.html", "<html><body>Thanks, \$FORM{'name'}[0]!</body></html>\n");

write_file("$cgi/layout.cgi", <<"PERL" . read_file("$rt/include-path.pl"));
#!/usr/bin/perl
use Cwd;
\$cgipath='$cgi';
\$ftproot=GetFTPRoot(\$cgipath);
\@nameservers = ("");
SetIncludePath(\$cgipath);
eval("use ZentraCGI;");
eval("use Sendmail qw(sendmail SendMail);");
use DBI;
\$db1 = DBI->connect("DBI:SQLite:database=$cgi/data/g.db", "", "");
\$cgipath=FTP2System(\$cgipath);
\$WWW_APPNAME="Quillet";
read_urlencoded(\$ENV{'QUERY_STRING'});
if (!defined(\$FORM{'page'}) || !defined(\$FORM{'form'})) {
  \$_str_valid="name=NOT NULL&message=ANYTHING&";
  ParseForm();
  if (defined(\$FORM{'Sign'}))
  {
    ValidateForm(\$_str_valid);
  \$Ins1->{nrows} = \$db1->do("INSERT INTO e (name ,message) VALUES (" . \$db1->quote(\$FORM{'name'}[0]) . " ," . \$db1->quote(\$FORM{'message'}[0]) . ")");
  PostUrl("Reply1", 1, "\$cgipath/templates/thanks.html", "");
  }
}
Info();
PERL

write_file("$cgi/plain.cgi", <<"PERL");
#!/usr/bin/perl
use strict;
use DBI;
my \$body = '';
read(STDIN, \$body, \$ENV{CONTENT_LENGTH} || 0);
my %f;
for (split /&/, \$body) { my (\$k, \$v) = map { tr/+/ /r =~ s/%([0-9A-Fa-f]{2})/chr hex \$1/ger } split /=/, \$_, 2; \$f{\$k} = \$v }
my \$db = DBI->connect("DBI:SQLite:database=$cgi/data/g.db", "", "", { RaiseError => 1 });
\$db->do("INSERT INTO e (name, message) VALUES (?, ?)", undef, \$f{name}, \$f{message});
(my \$name = \$f{name} // '') =~ s/&/&amp;/g;
print "Content-type: text/html\\n\\n<html><body>Thanks, \$name!</body></html>\\n";
PERL

my $port = free_port();
write_file("$dir/lighttpd.conf", qq{server.document-root = "$dir/www"\nserver.bind = "127.0.0.1"\nserver.port = $port\n}
        . qq{server.modules = ("mod_cgi")\nserver.errorlog = "$dir/error.log"\ncgi.assign = (".cgi" => "$^X")\n});
my $pid = fork();
if ($pid == 0) {
    exec((grep { -x } '/usr/sbin/lighttpd', '/usr/bin/lighttpd')[0], '-D', '-f', "$dir/lighttpd.conf") or POSIX::_exit(127);
}
wait_port($port) or die 'lighttpd did not start';

my $http = HTTP::Tiny->new(timeout => 30);
my %times;
for my $round (1 .. 10) {
    for my $script (qw(layout plain)) {
        for (1 .. $count / 10) {
            my $start = time;
            my $r = $http->post_form("http://127.0.0.1:$port/cgi-bin/$script.cgi", [name => 'Ann', message => 'hello', Sign => 'Sign']);
            die "$script: $r->{status} $r->{content}" unless $r->{content} =~ /Thanks, Ann!/;
            push @{ $times{$script} }, time - $start;
        }
    }
}
kill 'TERM', $pid;
waitpid($pid, 0);

for my $script (qw(layout plain)) {
    my @t = sort { $a <=> $b } @{ $times{$script} };
    my $total = 0;
    $total += $_ for @t;
    printf "%-7s %6.1f requests/s  median %6.1f ms  (%d sequential requests)\n", $script, @t / $total,
        $t[@t / 2] * 1000, scalar @t;
}
my ($l, $p) = map { my @t = sort { $a <=> $b } @{ $times{$_} }; $t[@t / 2] } qw(layout plain);
printf "median ratio layout/plain: %.2f\n", $l / $p;
