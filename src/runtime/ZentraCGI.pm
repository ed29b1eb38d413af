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
# Every submitted value is treated as hostile:
#   - a file name taken from the form never leaves the data folder;
#   - uploads go to files created exclusively with mode 0600, removed by CleanUp;
#   - the built-in pages HTML-escape what they show;
#   - ReadWrite holds an exclusive lock while it writes;
#   - a body larger than $WWW_MAXPOST is refused with the error page.
#
# Choices where the contract is open:
#   - PrintRows(result, page size [, action name]) fetches every row once, builds
#     DefaultReport from all of them and, with a page size, also fills the paging
#     values of FetchRows; the action name defaults to the main-package variable
#     that holds the result.
#   - DefaultReport lists columns in the statement's column order.
#   - An upload's value in %FORM is a read handle that prints as the client's
#     file name, so templates show the name and sendmail/ReadWrite read the data.
#   - A GET request takes its fields from the query string.
#   - A statement refused by the database, or a failed connection, ends the
#     script with the error page instead of reporting success (DBI must be
#     loaded before this module, as "use DBI;" in a generated script is).
#   - FetchRows sets last to row count - size + 1, the start of the page that
#     holds the last row (count - size would never show the last row).
#   - SetCookie writes "; secure" (a ", secure" would be read as part of the
#     previous attribute); an expiry of 0 days gives a session cookie; a style-1
#     expiry below 10,000,000 is a day count, larger ones are seconds.
#   - A file name is refused when it climbs with ".."; a name that is a
#     submitted value as a whole is taken inside the data folder (SafePath).
#   - A validation rule "-name" calls the Validator method "name".

use strict;
use warnings;
use Exporter 'import';
use ZentraMsg ();

our @EXPORT = qw(
    read_urlencoded ParseForm read_multipart ValidateForm ReadWrite PostUrl
    SetCookies SetCookie DeleteCookie GetCookies GetFieldState Info CleanUp
    FetchRows PrintRows FTP2System FormDecode FormEncode HtmlEncode HtmlDecode
    ToGMTString EnvString sqlstr GetDate SafePath MakeMsg MessagePage DefaultMsg
);

BEGIN {
    no strict 'refs';
    no warnings 'once';
    *{"ZentraCGI::$_"} = \%{"main::$_"} for qw(FORM FIELD_STATE TEMPFILES COOKIEJAR);
    *ZentraCGI::FIELDS = \@main::FIELDS;
}
our (%FORM, %FIELD_STATE, %TEMPFILES, %COOKIEJAR, @FIELDS);

my $DEFAULT_MAXPOST = 10 * 1024 * 1024;
my @tempfiles;    # every upload file of this request, for CleanUp

sub MakeMsg     { ZentraMsg::MakeMsg(@_) }
sub MessagePage { ZentraMsg::MessagePage(@_) }
sub DefaultMsg  { ZentraMsg::DefaultMsg(@_) }

# ---------------------------------------------------------------- encoding

sub FormDecode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ tr/+/ /;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

sub FormEncode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/([^\w ])/sprintf('%%%02X', ord($1))/ge;
    $text =~ tr/ /+/;
    return $text;
}

sub HtmlEncode {
    my ($text) = @_;
    return '' unless defined $text;
    $text = "$text";
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    $text =~ s/'/&#39;/g;
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

my @WDAY = qw(Sun Mon Tue Wed Thu Fri Sat);
my @MON  = qw(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec);

sub ToGMTString {
    my ($time) = @_;
    my @t = gmtime(defined $time ? $time : time);
    return sprintf('%s, %02d-%s-%04d %02d:%02d:%02d GMT',
        $WDAY[$t[6]], $t[3], $MON[$t[4]], $t[5] + 1900, $t[2], $t[1], $t[0]);
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
# by $subdir under $cgipath; no name may climb with "..". Returns undef when
# the name is refused; handles pass through.
sub SafePath {
    my ($path, $nofix, $subdir) = @_;
    return undef unless defined $path;
    return $path if ref($path) || ref(\$path) eq 'GLOB';
    $path = "$path";
    return undef if $path eq '' || $path =~ /\0/;
    if (_is_submitted_value($path)) {
        my $base = FTP2System(defined $main::cgipath ? $main::cgipath : '.');
        $path =~ s{^[/\\]+}{};
        $path = "$base/" . ($subdir || 'data') . "/$path";
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

sub read_urlencoded {
    my ($text) = @_;
    return unless defined $text;
    for my $pair (split /&/, $text) {
        next if $pair eq '';
        my ($name, $value) = split /=/, $pair, 2;
        _add_value(FormDecode($name), FormDecode(defined $value ? $value : ''));
    }
    _set_field_states();
}

sub _maxpost {
    my $max = $main::WWW_MAXPOST;
    return (defined $max && $max =~ /^\d+$/) ? $max : $DEFAULT_MAXPOST;
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
        $COOKIEJAR{$name} = FormDecode(defined $value ? $value : '');
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
        my ($boundary) = $type =~ /boundary=(?:"([^"]+)"|([^;\s]+))/i;
        $boundary = $2 unless defined $boundary;
        read_multipart($fh, $boundary);
    } elsif ($method eq 'GET' || $method eq 'HEAD') {
        read_urlencoded($ENV{QUERY_STRING});
    } else {
        read_urlencoded(_read_body($fh));
    }
    $FORM{WWW_SUPPORTCOOKIE} = [$cookies ? 1 : 0];
    GetDate();
}

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

sub _temp_dirs {
    return grep { defined && $_ ne '' && -d && -w } ($ENV{TMPDIR}, '/usr/tmp', '/var/tmp', '/tmp');
}

# O_EXCL refuses a name planted in advance (a symlink included).
sub _new_tempfile {
    require Fcntl;
    for my $dir (_temp_dirs()) {
        for my $try (1 .. 100) {
            my $path = sprintf('%s/CGItemp%d%04d', $dir, $$, scalar(@tempfiles) * 100 + $try);
            my $fh;
            if (sysopen($fh, $path, Fcntl::O_RDWR() | Fcntl::O_CREAT() | Fcntl::O_EXCL(), 0600)) {
                binmode $fh;
                return ($fh, $path);
            }
        }
    }
    return;
}

sub _part_headers {
    my ($head) = @_;
    my %h;
    for my $line (split /\r?\n/, $head) {
        $h{ lc $1 } = $2 if $line =~ /^([\w-]+):\s*(.*)$/;
    }
    my $disp = $h{'content-disposition'} || '';
    my ($name)     = $disp =~ /\bname="([^"]*)"/i;
    my ($filename) = $disp =~ /\bfilename="([^"]*)"/i;
    ($name) = $disp =~ /\bname=([^;\s]+)/i unless defined $name;
    return ($name, $filename, $h{'content-type'});
}

sub _store_upload {
    my ($name, $filename, $type, $data) = @_;
    (my $base = $filename) =~ s{.*[/\\]}{}s;
    if ($base eq '') {
        _add_value($name, '');
        return;
    }
    my ($fh, $path) = _new_tempfile();
    ZentraMsg::MessagePage($main::WWW_APPNAME, 'The uploaded file could not be stored on the server.')
        unless $fh;
    print {$fh} $data;
    seek($fh, 0, 0);
    my $upload = ZentraCGI::Upload->new($fh, $base);
    my $entry  = { handle => $upload, path => $path, filename => $base, type => $type || '', field => $name };
    push @tempfiles, $entry;
    $TEMPFILES{$base} = $entry;
    _add_value($name, $upload);
}

sub read_multipart {
    my ($fh, $boundary) = @_;
    my $body = _read_body($fh || \*STDIN);
    return unless defined $boundary && $boundary ne '';
    my $delim = "--$boundary";
    my @parts = split /\r?\n?\Q$delim\E/, $body;
    shift @parts;    # the preamble
    for my $part (@parts) {
        last if $part =~ /^--/;
        $part =~ s/^\r?\n//;
        my ($head, $data) = split /\r?\n\r?\n/, $part, 2;
        next unless defined $data;
        my ($name, $filename, $type) = _part_headers($head);
        next unless defined $name;
        if (defined $filename) {
            _store_upload($name, $filename, $type, $data);
        } else {
            $data =~ s/\r+$//;
            _add_value($name, $data);
        }
    }
    _set_field_states();
}

# ---------------------------------------------------------------- validation

my %RULE_METHOD = (
    'NOT NULL' => 'text', CREDIT_CARD => 'creditcard', EMAIL => 'email', REAL_EMAIL => 'realemail',
    EXPIRATION_DATE => 'expdate', DECIMAL => 'number', INTEGER => 'integer', PHONE => 'phone',
    URL => 'url', REAL_URL => 'realurl', SQL_OPERATOR => 'sqloperator',
    SQL_PARAM_ANYTHING => 'sqlparam', SQL_PARAM_NOTNULL => 'sqlparam',
);

sub ValidateForm {
    my ($rules) = @_;
    require Validator;
    my $validator = Validator->new(\%FORM);
    $validator->settmpfiles(\%TEMPFILES);
    for my $pair (split /&/, defined $rules ? $rules : '') {
        my ($name, $rule) = split /=/, $pair, 2;
        next unless defined $name && $name ne '' && defined $rule && $rule ne '';
        next if $rule eq 'ANYTHING';
        my $method = $RULE_METHOD{$rule};
        $method = substr($rule, 1) if !defined $method && $rule =~ /^-/;
        $method = "type:$rule" unless defined $method;
        $validator->param($name, $method, $rule eq 'SQL_PARAM_ANYTHING' ? 0 : 1);
    }
    return 1 if $validator->validate;
    ZentraMsg::MessagePage($main::WWW_APPNAME, $validator->errmsg('<b>', '</b>', "<br>\n"));
}

sub GetFieldState {
    my ($state, $value, @allowed) = @_;
    @allowed = @{ $allowed[0] } if @allowed == 1 && ref($allowed[0]) eq 'ARRAY';
    return '' unless defined $value;
    return (grep { defined && $_ eq $value } @allowed) ? $state : '';
}

# ---------------------------------------------------------------- files

sub _read_handle {
    my ($fh) = @_;
    seek($fh, 0, 0);
    binmode $fh;
    local $/;
    my $text = <$fh>;
    return defined $text ? $text : '';
}

sub _write_locked {
    my ($path, $mode, $text) = @_;
    require Fcntl;
    my $fh;
    sysopen($fh, $path, Fcntl::O_WRONLY() | Fcntl::O_CREAT(), 0666) or return 0;
    binmode $fh;
    flock($fh, Fcntl::LOCK_EX()) or return 0;
    if ($mode == 1) {
        seek($fh, 0, 2);
    } else {
        truncate($fh, 0) or return 0;
    }
    my $ok = print {$fh} $text;
    return (close($fh) && $ok) ? 1 : 0;
}

sub ReadWrite {
    my ($name, $mode, $template, $datafile, $nofix) = @_;
    $mode = 0 unless defined $mode && $mode =~ /^\d+$/;
    my $path = SafePath($datafile, $nofix, 'data');
    my $shown = ZentraCGI::HtmlEncode(defined $datafile ? $datafile : '');
    if ($mode == 2) {
        return _read_handle($path) if ref($path) || ref(\$path) eq 'GLOB';
        ZentraMsg::Fail('NOFILE') unless defined $datafile && "$datafile" ne '';
        my $fh;
        ZentraMsg::Fail('READ', $shown) unless defined $path && open($fh, '<', $path);
        return _read_handle($fh);
    }
    my $text = (defined $template && "$template" ne '')
        ? ZentraMsg::FillTemplate($template, 0, 0, 0, 1)
        : ZentraMsg::DefaultMsg(2);
    ZentraMsg::Fail('NOFILE') unless defined $datafile && "$datafile" ne '';
    ZentraMsg::Fail($mode == 1 ? 'APPEND' : 'WRITE', $shown)
        unless defined $path && !ref($path) && _write_locked($path, $mode, $text);
    return $text;
}

# ---------------------------------------------------------------- responses

sub _status_line {
    return (defined $ENV{PERLXS} && $ENV{PERLXS} eq 'PerlIS') ? "HTTP/1.0 200 OK\n" : '';
}

sub PostUrl {
    my ($name, $mode, $template, $url) = @_;
    $mode = 1 unless defined $mode && $mode =~ /^\d+$/;
    if ($mode == 0) {
        $url = defined $url ? "$url" : '';
        $url =~ s/[\x00-\x1f\x7f]//g;    # no header may be injected through the address
        if (defined $ENV{PERLXS} && $ENV{PERLXS} eq 'PerlIS') {
            print "HTTP/1.0 302 Moved Temporarily\n";
        }
        print "Location: $url\n\n";
    } else {
        my $page = (defined $template && "$template" ne '')
            ? ZentraMsg::MakeMsg($name, $template, 0, 0)
            : ZentraMsg::ThankYouPage();
        binmode STDOUT;
        print _status_line(), "Content-type: text/html\n\n", $page;
    }
    CleanUp();
    exit 0;
}

sub Info {
    ZentraMsg::InfoPage();
}

# ---------------------------------------------------------------- cookies

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

# A style-1 expiry small enough to be a day count (the cookie page stores whole
# days since 1970) is taken as days; larger values are seconds.
sub _cookie_expiry {
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

sub SetCookie {
    my ($style, $name, $value, $expiry, $path, $domain, $secure) = @_;
    $name = _header_safe($name);
    return if $name eq '';
    my $line = "Set-Cookie: $name=" . FormEncode($value);
    my $when = _cookie_expiry($style, $expiry);
    $line .= '; expires=' . ToGMTString($when) if defined $when;
    $path   = _header_safe($path);
    $domain = _header_safe($domain);
    $line .= "; path=$path"     if $path ne '';
    $line .= "; domain=$domain" if $domain ne '';
    $line .= '; secure'         if $secure;
    print "$line\n";
}

sub DeleteCookie {
    my ($name, $path, $domain) = @_;
    SetCookie(1, $name, '', time - 86400, $path, $domain, 0);
}

# ---------------------------------------------------------------- rows

sub _fetch_all {
    my ($result) = @_;
    return $result->{_all} if $result->{_all};
    my (@rows, @names);
    my $sth = $result->{sth};
    if ($sth && $sth->{Active}) {
        @names = @{ $sth->{NAME} || [] };
        while (my $row = $sth->fetchrow_hashref) {
            push @rows, $row;
        }
    } elsif ($sth && $sth->{NUM_OF_FIELDS}) {
        @names = @{ $sth->{NAME} || [] };
    }
    $result->{_names} = \@names;
    $result->{_all}   = \@rows;
    return \@rows;
}

sub FetchRows {
    my ($result, $size, $name) = @_;
    return unless ref($result) eq 'HASH';
    $size = (defined $size && $size =~ /^\s*(\d+)/) ? $1 : 0;
    my $from = defined $name ? $FORM{"${name}_from"} : undef;
    $from = $from->[0] if ref($from) eq 'ARRAY';
    $from = (defined $from && $from =~ /^\s*(\d+)/ && $1 > 0) ? int($1) : 1;
    my $all = _fetch_all($result);
    my (@rows, @index);
    for my $number ($from .. $from + $size - 1) {
        my $row = $all->[$number - 1];
        push @rows, $row ? $row : {};
        push @index, $row ? $number : '';
    }
    @$result{qw(rows index from next prev first)} = (\@rows, \@index, $from, $from + $size, $from - $size, 0);
    $result->{count} = scalar @$all;
    $result->{last}  = scalar(@$all) - $size + 1;    # the start of the page that holds the last row
    return $result;
}

sub _result_name {
    my ($result) = @_;
    no strict 'refs';
    for my $key (sort keys %main::) {
        next unless $key =~ /^\w+$/;
        my $glob = $main::{$key};
        next unless ref(\$glob) eq 'GLOB' && defined *{$glob}{SCALAR};
        my $value = ${ *{$glob}{SCALAR} };
        return $key if ref($value) && $value == $result;
    }
    return undef;
}

sub PrintRows {
    my ($result, $size, $name) = @_;
    return unless ref($result) eq 'HASH';
    my $all   = _fetch_all($result);
    my @names = @{ $result->{_names} || [] };
    @names = sort keys %{ $all->[0] } if !@names && @$all;
    my $html = "<table border=\"1\">\n";
    $html .= '<tr>' . join('', map { '<th>' . HtmlEncode($_) . '</th>' } @names) . "</tr>\n" if @names;
    for my $row (@$all) {
        $html .= '<tr>'
            . join('', map { '<td>' . HtmlEncode(defined $row->{$_} ? $row->{$_} : '') . '</td>' } @names)
            . "</tr>\n";
    }
    $result->{DefaultReport} = "$html</table>\n";
    if (defined $size && $size =~ /^\s*\d+/ && $size > 0) {
        $name = _result_name($result) unless defined $name;
        FetchRows($result, $size, $name);
    }
    return $result->{DefaultReport};
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

# ---------------------------------------------------------------- uploads

package ZentraCGI::Upload;

# A read handle on the stored upload that prints as the client's file name.
# overload is loaded with the first upload: most requests carry none.
my $overloaded;

sub new {
    my ($class, $fh, $filename) = @_;
    unless ($overloaded++) {
        require overload;
        overload->import('""' => sub { ${ *{ $_[0] }{SCALAR} } }, 'bool' => sub {1}, fallback => 1);
    }
    my $self = \do { no warnings 'once'; local *ZENTRA_UPLOAD };
    open($self, '+<&', $fh) or return $fh;
    close($fh);
    binmode $self;
    seek($self, 0, 0);
    ${ *{$self}{SCALAR} } = $filename;
    return bless $self, $class;
}

1;
