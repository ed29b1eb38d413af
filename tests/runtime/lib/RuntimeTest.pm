package RuntimeTest;

# Helpers for the runtime suites: run a script as a CGI process, free ports,
# and the mail sink and other servers that the suites start on 127.0.0.1.

use strict;
use POSIX ();
use warnings;
use Exporter 'import';
use File::Basename qw(dirname);
use File::Spec;
use File::Temp qw(tempdir);
use IO::Socket::INET;
use IPC::Open3;
use Symbol qw(gensym);
use Time::HiRes qw(sleep);

our @EXPORT = qw(start_lighttpd runtime_dir temp_dir write_file read_file run_cgi cgi_script free_port
    start_smtp_sink stop_server sink_messages wait_port deploy_uploads have_browser browse start_preview);

my $here = dirname(File::Spec->rel2abs(__FILE__));
my $browser_dir = File::Spec->catdir($here, '..', '..', 'e2e', 'browser');

# No suite reads or writes the user's own configuration.
$ENV{XDG_CONFIG_HOME} = tempdir('quillet-config-XXXXXX', TMPDIR => 1, CLEANUP => 1);

sub runtime_dir { File::Spec->catdir($here, '..', '..', '..', 'src', 'runtime') }

sub temp_dir { tempdir('quillet-rt-XXXXXX', TMPDIR => 1, CLEANUP => 1) }

sub write_file {
    my ($path, $text) = @_;
    open(my $fh, '>', $path) or die "$path: $!";
    binmode $fh;
    print {$fh} $text;
    close $fh;
    return $path;
}

sub read_file {
    my ($path) = @_;
    open(my $fh, '<', $path) or return undef;
    binmode $fh;
    local $/;
    return scalar <$fh>;
}

# A script as the generator lays it out: locations, modules, then the body.
sub cgi_script {
    my ($dir, $body, %opt) = @_;
    my $rt = runtime_dir();
    my $head = "#!/usr/bin/perl\nuse Cwd;\n\$cgipath='$dir';\n\$ftproot='';\n"
        . "\@nameservers = (\"\");\nunshift \@INC, '$rt';\n"
        . ($opt{dbi} ? "use DBI;\n" : '')
        . "eval(\"use ZentraCGI;\"); die \$\@ if \$\@;\n"
        . "eval(\"use Sendmail qw(sendmail SendMail);\"); die \$\@ if \$\@;\n"
        . "\$WWW_APPNAME=\"Quillet Test\";\n";
    return $head . $body;
}

# Runs perl on the script text with a CGI environment; returns stdout, stderr
# and the exit status.
sub run_cgi {
    my (%arg) = @_;
    my $dir    = $arg{dir} || temp_dir();
    my $script = write_file("$dir/" . ($arg{name} || 'test.cgi'), $arg{script});
    my %env    = (REQUEST_METHOD => 'POST', CONTENT_TYPE => 'application/x-www-form-urlencoded',
        %{ $arg{env} || {} });
    my $stdin = defined $arg{stdin} ? $arg{stdin} : '';
    $env{CONTENT_LENGTH} = length($stdin) unless exists $env{CONTENT_LENGTH};
    delete $env{$_} for grep { !defined $env{$_} } keys %env;
    local %ENV = (%ENV, %env);
    local $SIG{PIPE} = 'IGNORE';
    my $err = gensym;
    my $pid = open3(my $in, my $out, $err, $^X, $script);
    binmode $in;
    print {$in} $stdin;
    close $in;
    local $/;
    my $stdout = <$out>;
    my $stderr = <$err>;
    waitpid($pid, 0);
    return ($stdout // '', $stderr // '', $? >> 8);
}

sub free_port {
    my $sock = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Proto => 'tcp', Listen => 1)
        or die "no free port: $!";
    my $port = $sock->sockport;
    close $sock;
    return $port;
}

sub wait_port {
    my ($port) = @_;
    for (1 .. 200) {
        my $sock = IO::Socket::INET->new(PeerAddr => '127.0.0.1', PeerPort => $port, Proto => 'tcp');
        if ($sock) { close $sock; return 1 }
        sleep 0.05;
    }
    return 0;
}

# The mail sink of tests/support on a free port; extra arguments ask for TLS
# and a log-in (see the sink). Its pid and port.
sub start_smtp_sink {
    my ($maildir, @options) = @_;
    my $pid = open(my $out, '-|', '/usr/bin/python3', "$here/../../support/smtp_sink.py", $maildir, @options)
        or die "mail sink: $!";
    my $port = <$out>;
    die "mail sink did not start" unless defined $port && $port =~ /^(\d+)/;
    $port = $1;
    # Kept open: closing a pipe from a process waits for the process to end.
    $RuntimeTest::sink_pipes{$pid} = $out;
    return ($pid, $port);
}

# Serves root with CGI on 127.0.0.1:port; logs go to dir. The server's pid, once it listens.
sub start_lighttpd {
    my ($dir, $root, $port) = @_;
    my ($lighttpd) = grep { -x } map {"$_/lighttpd"} split(/:/, $ENV{PATH}), '/usr/sbin';
    die "lighttpd is not installed\n" unless $lighttpd;
    write_file("$dir/lighttpd.conf", <<"CONF");
server.document-root = "$root"
server.bind = "127.0.0.1"
server.port = $port
server.modules = ("mod_cgi")
server.errorlog = "$dir/error.log"
cgi.assign = (".cgi" => "$^X")
mimetype.assign = (".html" => "text/html", ".gif" => "image/gif")
CONF
    my $pid = fork();
    die "fork: $!" unless defined $pid;
    if ($pid == 0) {
        open(STDOUT, '>', "$dir/lighttpd.out");
        open(STDERR, '>&', \*STDOUT);
        exec($lighttpd, '-D', '-f', "$dir/lighttpd.conf") or POSIX::_exit(127);
    }
    return $pid;
}

# Puts every file of the project's upload list where a publish puts it under
# root, with its permission, as quillet-cli lists it; data placeholders only
# where nothing is yet. The number of files.
sub deploy_uploads {
    my ($cli, $project, $root) = @_;
    require File::Copy;
    require File::Path;
    open(my $list, '-|', $cli, 'uploads', $project) or die "uploads: $!";
    my $files = 0;
    while (my $line = <$list>) {
        chomp $line;
        my ($upload, $empty, $binary, $kind, $mode, $local, $remote) = split /\t/, $line;
        File::Path::make_path(dirname("$root$remote"));
        if ($local eq '') {
            write_file("$root$remote", '') unless -e "$root$remote";
        } else {
            File::Copy::copy($local, "$root$remote") or die "$local: $!";
        }
        chmod(oct($mode), "$root$remote");
        ++$files;
    }
    close($list) or die "quillet-cli uploads failed";
    return $files;
}

# Runs quillet-cli preview of project on a free port, its output in dir; the
# preview's pid, the page's address and the site folder, once it serves.
sub start_preview {
    my ($cli, $project, $dir) = @_;
    my $port = free_port();
    my $pid = fork();
    die "fork: $!" unless defined $pid;
    if ($pid == 0) {
        open(STDOUT, '>', "$dir/preview.out");
        open(STDERR, '>', "$dir/preview.err");
        exec($cli, 'preview', $project, '--port', $port) or POSIX::_exit(127);
    }
    my $url;
    for (1 .. 300) {
        ($url) = (read_file("$dir/preview.out") // '') =~ /^(http\S+)/m;
        last if $url || waitpid($pid, POSIX::WNOHANG()) == $pid;
        sleep 0.1;
    }
    my ($site) = (read_file("$dir/preview.err") // '') =~ / from (\S+);/;
    return ($pid, $url, $site, $port);
}

sub stop_server {
    my ($pid) = @_;
    return unless $pid;
    # Called from END blocks, where the reaped child's status would become the test's.
    local $?;
    kill 'TERM', $pid;
    waitpid($pid, 0);
}

# True when Chromium and playwright-core are installed to drive.
sub have_browser {
    return -x '/usr/bin/chromium' && -d "$browser_dir/node_modules/playwright-core";
}

# Runs a visit in Chromium (see tests/e2e/browser/browse.mjs); what every step
# showed, as a list of { url, text, dialogs, scripts, cookies }.
sub browse {
    my ($plan) = @_;
    require JSON::PP;
    my $json = JSON::PP->new->utf8->canonical;
    open(my $out, '-|', 'node', "$browser_dir/browse.mjs", $json->encode($plan)) or die "node: $!";
    local $/;
    my $answer = <$out>;
    close($out);
    die "the browser failed on $plan->{url}\n" if $? || !defined $answer;
    return $json->decode($answer);
}

# Messages received by the sink: [ { from, to => [...], data } ] in arrival order.
sub sink_messages {
    my ($maildir) = @_;
    opendir(my $dh, $maildir) or return [];
    my @messages;
    for my $file (sort { ($a =~ /(\d+)/)[0] <=> ($b =~ /(\d+)/)[0] } grep {/^\d+\.eml$/} readdir $dh) {
        my ($from, $to, $data) = split /\n/, read_file("$maildir/$file"), 3;
        $data =~ s/^\n//;
        push @messages, { from => $from, to => [split / /, $to], data => $data };
    }
    return \@messages;
}

1;
