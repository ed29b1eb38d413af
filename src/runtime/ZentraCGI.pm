package ZentraCGI;

# Form parsing, validation, responses, cookies, files and result rows for the
# CGI scripts that Quillet generates.
#
# The generated script loads this module with eval("use ZentraCGI;") after it
# has set @INC, and calls the exported functions from package main. The data
# it shares with the script lives in package main:
#
#   %FORM         field name -> [ every submitted value, in order ]
#   @FIELDS       field names in order of first appearance
#   %FIELD_STATE  field name -> { option value -> "SELECTED" | "CHECKED" | "" }
#   %TEMPFILES    upload value (the client's file name) -> { handle, path, filename, type, field }
#   %COOKIEJAR    cookie name -> value
#   $_str_valid, %_str_sel_state, %_str_chk_state   set by the script per form
#   $cgipath, $ftproot, $cgiurl, $scripturl, $WWW_APPNAME, @nameservers
#   $WWW_MAXPOST  largest request body accepted, in bytes (default 10 MiB)
#
# Every request compiles this module and ZentraMsg, which is most of what a
# request costs beyond DBI, so they hold only what most requests use. Uploads
# (ZentraUpload), data files (ZentraFiles), cookies (ZentraCookies), result rows
# (ZentraRows), field checks (Validator), the built-in pages (ZentraPages) and
# the helpers for hand-written code (ZentraUtil) are compiled on their first
# call; code that few requests need belongs in such a module, listed in %LATER.
#
# Every submitted value is treated as hostile:
#   - a file name taken from the form never leaves the data folder;
#   - uploads go to files created exclusively with mode 0600, removed by CleanUp;
#   - pages for the browser HTML-escape every value they show (ZentraMsg);
#   - ReadWrite holds an exclusive lock while it writes;
#   - a body larger than $WWW_MAXPOST is refused with the error page, and so
#     is one with more fields than the max_fields setting, counted before any
#     is parsed;
#   - the honeypot field the build adds to the form is taken out of %FORM,
#     and a handler that changes something calls GuardChange (SiteGuard).
#
# The defences are settings with safe defaults, which the site's owner may
# relax in one place: quillet-security.conf in the CGI folder, lines of
# "name = value" (Setting).
#
# Choices where the contract is open:
#   - The date fields, WWW_SUPPORTCOOKIE and WWW_REVERSE_IP hold one value each;
#     WWW_REVERSE_IP (the visitor's host name, else the address) is looked up
#     only when something reads it.
#   - An upload's value in %FORM is a read handle that prints as the client's
#     file name, so templates show the name and sendmail/ReadWrite read the data.
#   - A GET request takes its fields from the query string.
#   - A statement refused by the database, or a failed connection, ends the
#     script with the error page instead of reporting success (DBI must be
#     loaded before this module, as "use DBI;" in a generated script is).
#   - A file name is refused when it climbs with ".."; a name that is a
#     submitted value as a whole is taken inside the data folder (SafePath).
#   - Names and rules in the validation text may be %-encoded (a field name
#     holding "&", "=" or "%").

use strict;
use warnings;
use Exporter 'import';
use ZentraMsg ();

our @EXPORT = qw(
    read_urlencoded ParseForm read_multipart ValidateForm ReadWrite PostUrl
    SetCookies SetCookie DeleteCookie GetCookies GetFieldState Info CleanUp
    FetchRows PrintRows FTP2System FormDecode FormEncode HtmlEncode HtmlDecode
    ToGMTString EnvString sqlstr GetDate SafePath MakeMsg MessagePage DefaultMsg GuardChange
);

BEGIN {
    no strict 'refs';
    no warnings 'once';
    *{"ZentraCGI::$_"} = \%{"main::$_"} for qw(FORM FIELD_STATE TEMPFILES COOKIEJAR);
    *ZentraCGI::FIELDS = \@main::FIELDS;
}
our (%FORM, %FIELD_STATE, %TEMPFILES, %COOKIEJAR, @FIELDS);
our @tempfiles;    # every upload file of this request, for CleanUp

my $DEFAULT_MAXPOST = 10 * 1024 * 1024;

sub MakeMsg     { ZentraMsg::MakeMsg(@_) }
sub MessagePage { ZentraMsg::MessagePage(@_) }
sub DefaultMsg  { ZentraMsg::DefaultMsg(@_) }

# Routines compiled on their first call, with the module that holds them.
my %LATER = (
    read_multipart => 'ZentraUpload', ReadWrite => 'ZentraFiles', SetCookies => 'ZentraCookies',
    SetCookie => 'ZentraCookies', DeleteCookie => 'ZentraCookies', ToGMTString => 'ZentraCookies',
    FetchRows => 'ZentraRows', PrintRows => 'ZentraRows', FormEncode => 'ZentraUtil', HtmlDecode => 'ZentraUtil',
    sqlstr => 'ZentraUtil', EnvString => 'ZentraUtil', GetFieldState => 'ZentraUtil',
);
LoadLater(__PACKAGE__, \%LATER);

sub LoadLater {
    my ($package, $routines) = @_;
    no strict 'refs';
    while (my ($name, $module) = each %$routines) {
        *{"${package}::$name"} = sub { require "$module.pm"; goto &{"${module}::$name"} };
    }
}

# ---------------------------------------------------------------- settings

our %SETTING = (
    post_only => 1, same_site => 1, allowed_origins => '', honeypot => 1, rate_limit => 0, rate_window => 3600,
    max_fields => 1000, max_bytes => $DEFAULT_MAXPOST, form_address_lists => 0, safe_file_names => 1,
);
my $settings_read;
our $honeypot = '';    # what this request's honeypot field held

# A defence's setting: quillet-security.conf in the CGI folder, else its
# default. Most sites have no such file, and SiteGuard reads it where there is.
sub Setting {
    unless ($settings_read++) {
        my $file = (defined $main::cgipath && $main::cgipath ne '' ? $main::cgipath : '.') . '/quillet-security.conf';
        if (-e $file) {
            require SiteGuard;
            SiteGuard::ReadSettings($file, \%SETTING);
        }
    }
    return $SETTING{ $_[0] };
}

# ---------------------------------------------------------------- encoding

sub FormDecode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

my %ENTITY = ('&' => '&amp;', '<' => '&lt;', '>' => '&gt;', '"' => '&quot;', "'" => '&#39;');

sub HtmlEncode {
    my ($text) = @_;
    return '' unless defined $text;
    $text = "$text";
    $text =~ s/([&<>"'])/$ENTITY{$1}/g;
    return $text;
}

# ---------------------------------------------------------------- paths

sub FTP2System {
    my ($path) = @_;
    return '' unless defined $path;
    $path = "$path";
    my $root = defined $main::ftproot ? $main::ftproot : '';
    $path = "$root$path" if $path =~ m{^/} && $root ne '';
    $path =~ tr{\\}{/};
    $path =~ s{/{2,}}{/}g;
    return $path;
}

# Every value of a field; a script may have stored a plain text instead of a list.
sub FieldValues {
    my ($name) = @_;
    my $values = $FORM{$name};
    return () unless defined $values;
    return ref($values) eq 'ARRAY' ? @$values : ($values);
}

sub _is_submitted_value {
    my ($text) = @_;
    for my $name (@FIELDS) {
        for my $v (FieldValues($name)) {
            return 1 if defined $v && !ref($v) && $v ne '' && $v eq $text;
        }
    }
    return 0;
}

# The checked form of a file name given to ReadWrite, MakeMsg or sendmail.
# A name that is a submitted value as a whole is taken inside the folder named
# by $subdir under $cgipath, which the script has already made a system path;
# no name may climb with "..". Returns undef when the name is refused; handles
# pass through.
sub SafePath {
    my ($path, $nofix, $subdir) = @_;
    return undef unless defined $path;
    return $path if ref($path) || ref(\$path) eq 'GLOB';
    $path = "$path";
    return undef if $path eq '' || $path =~ /\0/;
    if (_is_submitted_value($path)) {
        if (Setting('safe_file_names')) {
            require SiteGuard;
            return undef unless SiteGuard::HarmlessName($path);
        }
        my $base = defined $main::cgipath && $main::cgipath ne '' ? $main::cgipath : '.';
        $path =~ s{^[/\\]+}{};
        $path = "$base/" . ($subdir || 'data') . "/$path";
        $path =~ s{/{2,}}{/}g;
        $nofix = 1;
    }
    $path = FTP2System($path) unless $nofix;
    (my $probe = $path) =~ tr{\\}{/};
    return undef if grep { $_ eq '..' } split m{/}, $probe;
    return $path;
}

# ---------------------------------------------------------------- form parsing

sub _add_value {
    my ($name, $value) = @_;
    $name =~ s/\..*//s;
    push @FIELDS, $name unless exists $FORM{$name};
    $FORM{$name} = [$FORM{$name}] if exists $FORM{$name} && ref($FORM{$name}) ne 'ARRAY';
    push @{ $FORM{$name} }, $value;
}

sub _set_field_states {
    for my $pair ([\%main::_str_sel_state, 'SELECTED'], [\%main::_str_chk_state, 'CHECKED']) {
        my ($states, $word) = @$pair;
        for my $name (keys %$states) {
            my %sent = map { ("$_" => 1) } grep {defined} FieldValues($name);
            $sent{' '} = 1 if $sent{on};
            for my $value (@{ $states->{$name} || [] }) {
                $FIELD_STATE{$name}{$value} = $sent{$value} ? $word : '';
            }
        }
    }
}

# The usual submission, a POST of the site itself with no honeypot and no rate
# limit, is settled here; anything else compiles SiteGuard.
sub GuardChange {
    my $site = lc($ENV{HTTP_SEC_FETCH_SITE} || '');
    return 1
        if ($ENV{REQUEST_METHOD} || '') eq 'POST'
        && $honeypot eq ''
        && !Setting('rate_limit')
        && ($site eq 'same-origin' || $site eq 'none' || ($site eq '' && !$ENV{HTTP_ORIGIN} && !$ENV{HTTP_REFERER}));
    require SiteGuard;
    goto &SiteGuard::GuardChange;
}

sub _too_many_fields {
    require SiteGuard;
    SiteGuard::Refuse(413, 'The submitted form holds more fields than this form accepts (' . Setting('max_fields') . ').');
}

# Counted before anything is split, so that a flood of fields costs no more than its bytes.
sub read_urlencoded {
    my ($text) = @_;
    return unless defined $text;
    _too_many_fields() if ($text =~ tr/&//) >= Setting('max_fields');
    for my $pair (split /&/, $text) {
        next if $pair eq '';
        my ($name, $value) = split /=/, $pair, 2;
        _add_value(FormDecode($name), FormDecode(defined $value ? $value : ''));
    }
    _set_field_states();
}

sub _maxpost {
    my $max = $main::WWW_MAXPOST;
    $max = Setting('max_bytes') unless defined $max && $max =~ /^\d+$/;
    return $max =~ /^\d+$/ ? $max : $DEFAULT_MAXPOST;
}

sub _too_large {
    ZentraMsg::MessagePage($main::WWW_APPNAME,
        'The submitted data is larger than this form accepts (' . _maxpost() . ' bytes).');
}

# Reads the whole body, refusing it past the configured maximum.
sub _read_body {
    my ($fh) = @_;
    my $max    = _maxpost();
    my $length = $ENV{CONTENT_LENGTH};
    if (defined $length && $length =~ /^\d+$/) {
        _too_large() if $length > $max;
    } else {
        $length = $max + 1;
    }
    binmode $fh;
    my $body = '';
    while (length($body) < $length) {
        my $got = read($fh, $body, $length - length($body), length($body));
        last unless $got;
    }
    _too_large() if length($body) > $max;
    return $body;
}

sub GetCookies {
    %COOKIEJAR = ();
    my $text = $ENV{HTTP_COOKIE};
    return 0 unless defined $text && $text =~ /\S/;
    for my $cookie (split /;\s*/, $text) {
        my ($name, $value) = split /=/, $cookie, 2;
        next unless defined $name && $name =~ /\S/;
        $name =~ s/^\s+|\s+$//g;
        $COOKIEJAR{ FormDecode($name) } = FormDecode(defined $value ? $value : '');
    }
    return 1;
}

sub ParseForm {
    my ($fh) = @_;
    $fh ||= \*STDIN;
    %FORM = (); %FIELD_STATE = (); @FIELDS = (); %TEMPFILES = ();
    my $cookies = GetCookies();
    my $type    = $ENV{CONTENT_TYPE} || '';
    my $method  = uc($ENV{REQUEST_METHOD} || 'POST');
    if ($type =~ m{^multipart/form-data}i) {
        require ZentraUpload;
        read_multipart($fh, ZentraUpload::boundary($type));
    } elsif ($method eq 'GET' || $method eq 'HEAD') {
        read_urlencoded($ENV{QUERY_STRING});
    } else {
        read_urlencoded(_read_body($fh));
    }
    _take_honeypot();
    $FORM{WWW_SUPPORTCOOKIE} = [$cookies ? 1 : 0];
    tie my @host, 'ZentraCGI::ReverseIP';
    $FORM{WWW_REVERSE_IP} = \@host;
    GetDate();
}

# Kept aside for GuardChange: the field is never stored, mailed or shown.
sub _take_honeypot {
    my $values = delete $FORM{hp_website} or return;
    $honeypot = join('', grep { defined && !ref } @$values);
    @FIELDS = grep { $_ ne 'hp_website' } @FIELDS;
}

my @WDAY = qw(Sun Mon Tue Wed Thu Fri Sat);
my @MON  = qw(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec);

sub GetDate {
    my @t    = localtime(time);
    my $hour = $t[2] % 12;
    $hour = 12 if $hour == 0;
    my %date = (
        WWW_YEAR => $t[5] + 1900, WWW_MON => sprintf('%02d', $t[4] + 1), WWW_MONW => $MON[$t[4]],
        WWW_MDAY => sprintf('%02d', $t[3]), WWW_WDAY => $WDAY[$t[6]], WWW_HOUR => sprintf('%02d', $hour),
        WWW_MILHOUR => sprintf('%02d', $t[2]), WWW_MIN => sprintf('%02d', $t[1]),
        WWW_SEC => sprintf('%02d', $t[0]), WWW_AMPM => $t[2] < 12 ? 'AM' : 'PM',
    );
    $date{WWW_DATE} = "$date{WWW_YEAR}-$date{WWW_MON}-$date{WWW_MDAY}";
    $date{WWW_TIME} = "$date{WWW_MILHOUR}:$date{WWW_MIN}:$date{WWW_SEC}";
    $FORM{$_} = [$date{$_}] for keys %date;
}

# ---------------------------------------------------------------- validation

sub ValidateForm {
    my ($rules) = @_;
    return 1 unless defined $rules && $rules =~ /[^&=]=[^&]/;    # no field carries a rule
    require Validator;
    return 1 if Validator::check_form($rules, \%FORM, \%TEMPFILES);
    ZentraMsg::MessagePage($main::WWW_APPNAME, Validator::form_errors());
}

# ---------------------------------------------------------------- responses

sub PostUrl {
    my ($name, $mode, $template, $url) = @_;
    $mode = 1 unless defined $mode && $mode =~ /^\d+$/;
    if ($mode != 0) {    # SendPage ends the script
        ZentraMsg::SendPage((defined $template && "$template" ne '')
            ? ZentraMsg::MakeMsg($name, $template, 0, 0)
            : ZentraMsg::ThankYouPage());
    }
    $url = defined $url ? "$url" : '';
    $url =~ s/[\x00-\x1f\x7f]//g;    # no header may be injected through the address
    print "HTTP/1.0 302 Moved Temporarily\n" if defined $ENV{PERLXS} && $ENV{PERLXS} eq 'PerlIS';
    print "Location: $url\n\n";
    CleanUp();
    exit 0;
}

sub Info {
    ZentraMsg::InfoPage();
}

# ---------------------------------------------------------------- database errors

# Generated record actions do not look at DBI's answers; without this a refused
# statement would still end with the thank-you page.
sub _watch_dbi {
    return unless defined &DBI::connect && !$ZentraCGI::dbi_watched;
    $ZentraCGI::dbi_watched = 1;
    no warnings 'redefine';
    my $connect = \&DBI::connect;
    *DBI::connect = sub {
        my ($class, $dsn, $user, $pass, $attr) = @_;
        my %attr = (PrintError => 0, %{ $attr || {} });
        $attr{HandleError} ||= sub { ZentraMsg::DatabaseError($_[0]); 1 };
        my $dbh = $connect->($class, $dsn, $user, $pass, \%attr);
        ZentraMsg::DatabaseError(defined $DBI::errstr ? $DBI::errstr : 'no connection') unless $dbh;
        return $dbh;
    };
}

sub CleanUp {
    for my $entry (@tempfiles) {
        close($entry->{handle}) if $entry->{handle};
        unlink $entry->{path} if defined $entry->{path};
    }
    @tempfiles = ();
}

END { CleanUp() }

_watch_dbi();

# ---------------------------------------------------------------- the visitor's host

package ZentraCGI::ReverseIP;

# A one-value list whose value is looked up when first read: the name lookup
# can take seconds and most pages never show it.
sub TIEARRAY  { bless [], $_[0] }
sub FETCHSIZE {1}

sub FETCH     { require ZentraUtil; goto &ZentraUtil::reverse_ip }

1;
