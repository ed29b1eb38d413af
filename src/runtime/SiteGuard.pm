package SiteGuard;

# The defences of a handler that changes something (records, files, mail,
# cookies), compiled by ZentraCGI on the first GuardChange. The generated
# script calls GuardChange('Button', 'https://page.origin') before anything
# else of such a handler:
#
#   - only a POST may change anything (405 otherwise);
#   - a POST from another site is refused (403): Sec-Fetch-Site, else Origin,
#     else Referer, against the host the request came to, the origin of the
#     project's own page and the allowed_origins setting; a request that says
#     nothing of where it comes from is not a browser's and passes;
#   - a filled honeypot field (the build puts it in the form, hidden from
#     people) gets the normal thank-you page and a line in the server's error
#     log, and nothing is done;
#   - with rate_limit set, each address may submit that many times per
#     rate_window seconds and handler (429 beyond), counted in a locked file
#     of bounded size in the data folder.
#
# Each is a setting of quillet-security.conf beside the scripts (ZentraCGI::Setting).

use strict;
use warnings;

# Extensions a web server may run or expand, wherever they stand in a name
# ("x.php.txt" runs on servers that map every extension).
my %RUNNABLE = map { ($_ => 1) } qw(
    cgi fcgi pl pm plx php php3 php4 php5 php7 php8 phtml pht phar phps shtml shtm stm ssi inc asp aspx ascx ashx
    asmx asa cer cfm jsp jspx do py pyc rb sh bash ksh csh exe dll com bat cmd vbs wsf htaccess htpasswd
);

# A name a visitor may choose: no hidden file or folder, nothing the server runs.
sub HarmlessName {
    my ($path) = @_;
    my @parts = grep { $_ ne '' } split m{[/\\]}, $path;
    return 0 if !@parts || grep {/^\./} @parts;
    my (undef, @extensions) = split /\./, $parts[-1];
    return !grep { $RUNNABLE{ lc $_ } } @extensions;
}

# Lines of "name = value"; names the runtime does not know are left alone.
sub ReadSettings {
    my ($file, $setting) = @_;
    open(my $fh, '<', $file) or return;
    while (my $line = <$fh>) {
        $setting->{$1} = $2 if $line =~ /^\s*(\w+)\s*=\s*(.*?)\s*$/ && exists $setting->{$1};
    }
}

my $MAX_ENTRIES = 5000;    # addresses the rate file keeps, the newest first

my %REASON = (403 => 'Forbidden', 405 => 'Method Not Allowed', 413 => 'Payload Too Large',
    429 => 'Too Many Requests');

# A page with its status; the text is HTML.
sub Refuse {
    my ($status, $text) = @_;
    print "Status: $status $REASON{$status}\n";
    print "Allow: POST\n" if $status == 405;
    ZentraMsg::MessagePage($main::WWW_APPNAME, $text);
}

sub _log {
    my ($text) = @_;
    my $script = $ENV{SCRIPT_NAME} || $0;
    my $line = "Quillet $script: $text";
    $line =~ s/[\x00-\x1f\x7f]/?/g;
    print STDERR "$line\n";
}

# scheme://host:port in lower case, with the scheme's default port; undef for
# anything else ("null" included).
sub _origin {
    my ($url) = @_;
    return undef unless defined $url && $url =~ m{^([a-z][a-z0-9+.\-]*)://([^/?#\@]*\@)?([^/?#]+)}i;
    my ($scheme, $host) = (lc $1, lc $3);
    $host .= $scheme eq 'https' ? ':443' : ':80' unless $host =~ /:\d+$/;
    return "$scheme://$host";
}

sub _own_origins {
    my ($page) = @_;
    my $host = $ENV{HTTP_HOST} || (($ENV{SERVER_NAME} || '') . ':' . ($ENV{SERVER_PORT} || 80));
    my $https = ($ENV{HTTPS} || '') =~ /^(?:on|1)$/i;
    my @own = (_origin(($https ? 'https' : 'http') . "://$host"), _origin($page));
    push @own, map { _origin($_) } split ' ', ZentraCGI::Setting('allowed_origins');
    return grep {defined} @own;
}

sub CrossSite {
    my ($page) = @_;
    my $site = lc($ENV{HTTP_SEC_FETCH_SITE} || '');
    return 0 if $site eq 'same-origin' || $site eq 'none';
    my $from = $ENV{HTTP_ORIGIN};
    $from = $ENV{HTTP_REFERER} unless defined $from && $from ne '';
    return $site ne '' unless defined $from && $from ne '';
    my $origin = _origin($from);
    return !(defined $origin && grep { $_ eq $origin } _own_origins($page));
}

# Whether this address may submit once more to handler; counts the submission.
sub RateAllows {
    my ($handler) = @_;
    my ($limit, $window) = (ZentraCGI::Setting('rate_limit'), ZentraCGI::Setting('rate_window') || 3600);
    require Digest::MD5;
    require Fcntl;
    my $folder = (defined $main::cgipath && $main::cgipath ne '' ? $main::cgipath : '.') . '/data';
    mkdir $folder, 0755 unless -d $folder;
    my $fh;
    my $opened = sysopen($fh, "$folder/.rate-limit",
        Fcntl::O_RDWR() | Fcntl::O_CREAT() | Fcntl::O_NOFOLLOW(), 0600) && flock($fh, Fcntl::LOCK_EX());
    unless ($opened) {
        _log("the rate limit file cannot be used ($!); the submission is let through");
        return 1;
    }
    my ($now, %seen) = (time);
    my $key = Digest::MD5::md5_hex("$handler\0" . ($ENV{REMOTE_ADDR} || ''));
    while (my $line = <$fh>) {
        my ($k, $start, $count) = split ' ', $line;
        $seen{$k} = [$start, $count] if defined $count && $start > $now - $window;
        last if keys(%seen) > $MAX_ENTRIES;
    }
    my $entry = $seen{$key} ||= [$now, 0];
    my $allowed = $entry->[1] < $limit;
    ++$entry->[1] if $allowed;
    my @keep = sort { $seen{$b}[0] <=> $seen{$a}[0] } keys %seen;
    splice(@keep, $MAX_ENTRIES) if @keep > $MAX_ENTRIES;
    seek($fh, 0, 0);
    truncate($fh, 0);
    print {$fh} map {"$_ $seen{$_}[0] $seen{$_}[1]\n"} @keep;
    close($fh);
    return $allowed;
}

sub GuardChange {
    my ($handler, $page) = @_;
    my $method = uc($ENV{REQUEST_METHOD} || 'GET');
    Refuse(405, 'This form changes data and is accepted only when it is sent with its button.')
        if ZentraCGI::Setting('post_only') && $method ne 'POST';
    Refuse(403, 'This form was sent from another site and was refused.')
        if ZentraCGI::Setting('same_site') && CrossSite($page);
    if (ZentraCGI::Setting('honeypot') && $ZentraCGI::honeypot ne '') {
        _log("the honeypot field of $handler was filled by " . ($ENV{REMOTE_ADDR} || 'an unknown address')
                . '; nothing was stored or sent');
        ZentraMsg::SendPage(ZentraMsg::ThankYouPage());
    }
    Refuse(429, 'Too many submissions came from your address; please try again later.')
        if ZentraCGI::Setting('rate_limit') > 0 && !RateAllows($handler);
    return 1;
}

1;
