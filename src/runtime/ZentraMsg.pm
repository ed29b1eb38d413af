package ZentraMsg;

# Message texts, the built-in pages (error, thank-you, information) and the
# filling of message templates for the CGI scripts that Quillet generates.
#
# MakeMsg fills a template for the browser: the submitted values, cookies and
# result rows that the template interpolates are HTML-escaped while it is
# evaluated. ReadWrite and sendmail fill data files and mail with the values
# as they were sent (FillTemplate with the escape flag clear).
#
# A template is evaluated as a Perl double-quoted string, so "$FORM{'name'}[0]",
# "$FIELD_STATE{'name'}{'value'}", "@{$FORM{'name'}}" and report expressions
# such as "$Select1->{rows}[0]{'col'}" are replaced by their values.

use strict;
use warnings;
use Exporter 'import';
use ZentraCGI ();

our @EXPORT = qw(MakeMsg MessagePage DefaultMsg);
our @EXPORT_OK = qw(FillTemplate ThankYouPage InfoPage Fail DatabaseError MSG_EMAIL MSG_HTML MSG_TEXT);

sub MSG_EMAIL () { 0 }
sub MSG_HTML ()  { 1 }
sub MSG_TEXT ()  { 2 }

our %MSG = (
    FILL    => "Please fill out the %s field",
    CONNECT => "Can not connect to mail server %s. Please make sure that the mail server is running on the server\n",
    READ    => "Can not read file %s. Please make sure that the file exists and has sufficient file permission\n",
    WRITE   => "Can not write to file %s. Please make sure that the file exists and has sufficient file permission\n",
    APPEND  => "Can not append data to file %s. Please make sure that the file exists and has sufficient file permission\n",
    NOFILE  => "No filename was given",
    POP     => "Can not log in to the POP server %s. Please check the POP user name and password of the Send Email action\n",
    HEADER  => "The mail header %s holds a line break and was refused\n",
    ADDRESS => "The e-mail address %s is not valid\n",
    REFUSED => "The mail server %s refused the message: %s\n",
    MAILCMD => "Can not run the mail program %s\n",
    FILLERR => "Can not fill the template %s: %s\n",
    DATABASE => "The database refused the request: %s\n",
);

sub _esc { ZentraCGI::HtmlEncode(@_) }

sub _title {
    my $title = defined $main::WWW_APPNAME ? $main::WWW_APPNAME : '';
    return _esc($title);
}

sub _status_line {
    return (defined $ENV{PERLXS} && $ENV{PERLXS} eq 'PerlIS') ? "HTTP/1.0 200 OK\n" : '';
}

sub _send_page {
    my ($body) = @_;
    binmode STDOUT;
    print _status_line(), "Content-type: text/html\n\n", $body;
    ZentraCGI::CleanUp() if defined &ZentraCGI::CleanUp;
    exit 0;
}

# The message is HTML: callers escape what they put into it.
sub MessagePage {
    my ($title, $message) = @_;
    $title = defined $title && $title ne '' ? _esc($title) : _title();
    $message = '' unless defined $message;
    _send_page("<html><head><title>$title</title></head>\n<body>\n<h1>Submission Error</h1>\n"
            . "<p>$message</p>\n<p>Please click the Back button on your browser to go back.</p>\n"
            . "<hr>\n<p>$title</p>\n</body></html>\n");
}

sub Fail {
    my ($key, @args) = @_;
    MessagePage($main::WWW_APPNAME, sprintf($MSG{$key}, map { _esc($_) } @args));
}

sub DatabaseError {
    my ($text) = @_;
    Fail('DATABASE', defined $text ? $text : '');
}

sub _values {
    my ($name) = @_;
    return map { defined $_ ? "$_" : '' } ZentraCGI::FieldValues($name);
}

sub DefaultMsg {
    my ($type) = @_;
    $type = MSG_TEXT unless defined $type;
    my @names = @ZentraCGI::FIELDS;
    if ($type == MSG_HTML) {
        my $rows = join('', map {
            '<tr><td><b>' . _esc($_) . '</b></td><td>' . join('<br>', map { _esc($_) } _values($_)) . "</td></tr>\n"
        } @names);
        return "<table>\n$rows</table>\n";
    }
    my $eol = $type == MSG_EMAIL ? "\r\n" : "\n";
    return join('', map { "$_: " . join(', ', _values($_)) . $eol } @names);
}

sub ThankYouPage {
    my $title = _title();
    return "<html><head><title>$title</title></head>\n<body>\n<h1>Thank you</h1>\n"
        . "<p>The following data has been received:</p>\n" . DefaultMsg(MSG_HTML)
        . "<hr>\n<p>$title</p>\n</body></html>\n";
}

sub InfoPage {
    my $title = _title();
    _send_page("<html><head><title>$title</title></head>\n<body>\n<h1>$title</h1>\n"
            . "<p>This address handles a form. Please open the form and submit it with one of its buttons.</p>\n"
            . "</body></html>\n");
}

# Fields hold lists; a script may also store a plain text (WWW_COOKIESTR).
sub _escape_value {
    my ($value) = @_;
    return ref($value) eq 'ARRAY' ? [map { _esc($_) } @$value] : _esc($value);
}

sub _escape_row {
    my ($row) = @_;
    return $row unless ref($row) eq 'HASH';
    return { map { ($_ => _esc($row->{$_})) } keys %$row };
}

# Result hashes named in the template get HTML-escaped rows while the browser
# page is filled; returns what to put back.
sub _escape_results {
    my ($text) = @_;
    my (%seen, @restore);
    no strict 'refs';
    for my $name ($text =~ /\$\{?(\w+)\}?->\{\s*'?rows'?\s*\}/g) {
        next if $seen{$name}++;
        my $result = ${"main::$name"};
        next unless ref($result) eq 'HASH' && ref($result->{rows}) eq 'ARRAY';
        push @restore, [$name, $result];
        ${"main::$name"} = { %$result, rows => [map { _escape_row($_) } @{ $result->{rows} }] };
    }
    return @restore;
}

sub _interpolate {
    my ($text, $escape) = @_;
    my $end = 'ZENTRA_TEMPLATE_END_' . int(rand(1e9));
    $end .= 'X' while index($text, $end) >= 0;
    return main::_zentra_fill_template($text, $end) unless $escape;
    local %main::FORM = map { ($_ => _escape_value($main::FORM{$_})) } keys %main::FORM;
    local %main::COOKIEJAR = map { ($_ => _esc($main::COOKIEJAR{$_})) } keys %main::COOKIEJAR;
    my @restore = _escape_results($text);
    my $filled = eval { main::_zentra_fill_template($text, $end) };
    my $error  = $@;
    {
        no strict 'refs';
        ${"main::$_->[0]"} = $_->[1] for @restore;
    }
    die $error if $error;
    return $filled;
}

sub _read_template {
    my ($template, $nofix) = @_;
    Fail('NOFILE') unless defined $template && "$template" ne '';
    my $path = ZentraCGI::SafePath($template, $nofix, 'templates');
    my $fh;
    if (defined $path && (ref($path) || ref(\$path) eq 'GLOB')) {
        $fh = $path;
        seek($fh, 0, 0);
    } elsif (!defined $path || !open($fh, '<', $path)) {
        Fail('READ', $template);
    }
    binmode $fh;
    local $/;
    my $text = <$fh>;
    return defined $text ? $text : '';
}

# The script builds template paths from $cgipath, which is already a system
# path, so callers pass nofix; FTP2System would add $ftproot a second time.
sub FillTemplate {
    my ($template, $bodyonly, $raw, $escape, $nofix) = @_;
    my $text = _read_template($template, $nofix);
    if ($bodyonly && $text =~ m{<body\b[^>]*>(.*?)</body\s*>}is) {
        $text = $1;
    }
    return $text if $raw;
    $text =~ s/\r//g;
    my $filled = eval { _interpolate($text, $escape) };
    if ($@ || !defined $filled) {
        (my $error = $@ || 'no result') =~ s/ at \(eval \d+\).*//s;
        Fail('FILLERR', $template, $error);
    }
    return $filled;
}

sub MakeMsg {
    my ($name, $template, $bodyonly, $raw) = @_;
    return FillTemplate($template, $bodyonly, $raw, 1, 1);
}

package main;

# Evaluated in package main, where the script's variables live; only @_ is in
# scope so the template cannot reach this module's lexicals.
sub _zentra_fill_template {
    no strict;
    no warnings;
    my $filled = eval "<<\"$_[1]\";\n$_[0]\n$_[1]\n";
    die $@ if $@;
    $filled =~ s/\n\z//;
    return $filled;
}

1;
