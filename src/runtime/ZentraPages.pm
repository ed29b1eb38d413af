package ZentraPages;

# The built-in pages (error, thank-you, information) and the failure reports of
# the CGI scripts that Quillet generates, compiled by ZentraMsg on first use.
# The pages are HTML5 in the charset of what they show (UTF-8 unless the
# submitted bytes are not UTF-8).
#
# Visitors never see server paths or a driver's error text: Fail shows a file by
# its name only, logs the whole text to the server's error log (STDERR) and shows
# the same short reference on both sides.

use strict;
use warnings;

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
    ONEADDRESS => "The field that gives a recipient must hold one e-mail address, not %s\n",
    LONG    => "The mail header %s is longer than a mail header line may be\n",
    REFUSED => "The mail server %s refused the message: %s\n",
    MAILCMD => "Can not run the mail program %s\n",
    SMTPAUTH => "The mail server %s refused the log-in: %s. Please check the POP user name and password of the Send Email action\n",
    TLS     => "Can not open an encrypted connection to the mail server %s: %s\n",
    MODULE  => "Sending mail through %s needs the Perl module %s, which this server does not have. Please ask your host to install it\n",
    DATABASE => "The database refused the request.\n",
);

# Why the failure that Fail reports happened, for the log only.
our $cause;

sub _esc { ZentraCGI::HtmlEncode(@_) }

sub _title {
    my $title = defined $main::WWW_APPNAME ? $main::WWW_APPNAME : '';
    return _esc($title);
}

sub _page {
    my ($title, $body) = @_;
    my $charset = ZentraMsg::PageCharset($body);
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"$charset\">\n<title>$title</title>\n</head>\n"
        . "<body>\n$body</body>\n</html>\n";
}

# The message is HTML: callers escape what they put into it.
sub MessagePage {
    my ($title, $message) = @_;
    $title = defined $title && $title ne '' ? _esc($title) : _title();
    $message = '' unless defined $message;
    ZentraMsg::SendPage(_page($title, "<h1>Submission Error</h1>\n<p>$message</p>\n"
            . "<p>Please click the Back button on your browser to go back.</p>\n<hr>\n<p>$title</p>\n"));
}

# A short code that matches the page a visitor reports to the line in the log.
sub _reference {
    my @chars = ('A' .. 'Z', '2' .. '9');
    return join('', map { $chars[rand @chars] } 1 .. 8);
}

sub _file_name {
    my ($path) = @_;
    (my $name = defined $path ? "$path" : '') =~ s{.*[/\\]}{}s;
    return $name;
}

# Reports a failure: the whole text to the error log, the page's message to the
# visitor with files named without their folders.
sub Fail {
    my ($key, @args) = @_;
    my $reference = _reference();
    my $detail = sprintf($MSG{$key}, map { defined $_ ? "$_" : '' } @args);
    $detail =~ s/\s+$//;
    $detail .= " ($cause)" if defined $cause && $cause ne '';
    my @shown = map { _file_name($_) } @args;
    print STDERR "$0: error $reference: $detail\n";
    MessagePage($main::WWW_APPNAME, sprintf($MSG{$key}, map { _esc($_) } @shown) . "<br>\nReference: $reference");
}

sub DatabaseError {
    my ($text) = @_;
    my $reference = _reference();
    print STDERR "$0: error $reference: database: " . (defined $text ? $text : '') . "\n";
    MessagePage($main::WWW_APPNAME, "$MSG{DATABASE}<br>\nReference: $reference");
}

sub _values {
    my ($name) = @_;
    return map { defined $_ ? "$_" : '' } ZentraCGI::FieldValues($name);
}

sub DefaultMsg {
    my ($type) = @_;
    $type = ZentraMsg::MSG_TEXT() unless defined $type;
    my @names = @ZentraCGI::FIELDS;
    if ($type == ZentraMsg::MSG_HTML()) {
        my $rows = join('', map {
            '<tr><td><b>' . _esc($_) . '</b></td><td>' . join('<br>', map { _esc($_) } _values($_)) . "</td></tr>\n"
        } @names);
        return @names ? "<table>\n$rows</table>\n" : '';
    }
    my $eol = $type == ZentraMsg::MSG_EMAIL() ? "\r\n" : "\n";
    return join('', map { "$_: " . join(', ', _values($_)) . $eol } @names);
}

sub ThankYouPage {
    my $title = _title();
    return _page($title, "<h1>Thank you</h1>\n<p>The following data has been received:</p>\n"
            . DefaultMsg(ZentraMsg::MSG_HTML())
            . "<hr>\n<p>$title</p>\n");
}

sub InfoPage {
    my $title = _title();
    ZentraMsg::SendPage(_page($title, "<h1>$title</h1>\n"
            . "<p>This address handles a form. Please open the form and submit it with one of its buttons.</p>\n"));
}

1;
