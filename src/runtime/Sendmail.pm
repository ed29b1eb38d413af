package Sendmail;

# Mail for the CGI scripts that Quillet generates: SMTP (RFC 5321) with an
# optional POP3 log-in first (RFC 1939) or, for a user name without a POP
# server, an encrypted SMTP log-in, or a local mail program, and MIME
# messages with one part per document (RFC 2045/2046).
#
#   sendmail(mailhost => 'smtp.example.com:25', pop => '', user => '', pass => '',
#            from => 'me@example.com', sender => 'Me', to => 'a@b.c, d@e.f', cc => '', bcc => '',
#            subject => 'Order', docs => [[content => 'text/plain', enc => '8bit', type => 'FILE',
#            source => "$cgipath/templates/mail.txt", binmode => 0, template => 1]],
#            listsrc => "$cgipath/data/list.txt");
#   sendmail(mailcmd => '/usr/sbin/sendmail', ...);
#   SendMail($name, $sender, $from, $to, $cc, $subject, $file, $server, $pop, $user, $pass);
#
# Every failure ends the script with the error page; success returns 1.
# A header value holding CR or LF is refused, every address must be a plain
# address (no blanks, no leading "-"), and the mail program is started without
# a shell, its recipients after "--". A body document without a source is the
# listing of the received fields. Sources are server paths built from $cgipath
# and so do not pass through FTP2System again.
#
# Header text beyond ASCII is sent as RFC 2047 encoded words and every text part
# names its charset: the one an HTML template declares, else UTF-8 when the text
# is UTF-8, else ISO-8859-1. A template filled into an HTML part gets its values
# HTML-escaped; a plain-text part gets them as they were sent.

use strict;
use warnings;
use Exporter 'import';
use ZentraMsg ();

# A script loads this module only when it has a mail action; the socket and
# encoding modules are loaded only when a message is sent.

our @EXPORT    = qw(sendmail SendMail);
our @EXPORT_OK = qw(sendmail SendMail);

my $MAILER = 'Quillet runtime';
our $IMPLICIT_TLS_PORT = 465;

sub _fail { ZentraMsg::Fail(@_) }

sub _addresses {
    my ($text) = @_;
    return () unless defined $text;
    my @list;
    for my $item (split /[,;]/, $text) {
        $item =~ s/^\s+|\s+$//g;
        next if $item eq '';
        my $address = $item =~ /<([^<>]*)>/ ? $1 : $item;
        $address =~ s/^\s+|\s+$//g;
        _fail('ADDRESS', $item) unless _plain_address($address);
        push @list, $address;
    }
    return @list;
}

sub _plain_address {
    my ($address) = @_;
    return $address =~ /^[^\s<>()\[\],;:"\\\@\-][^\s<>()\[\],;:"\\\@]*\@[A-Za-z0-9][A-Za-z0-9.\-]*$/;
}

sub _check_headers {
    my ($arg) = @_;
    for my $key (qw(from sender to cc bcc subject pop user pass)) {
        my $value = $arg->{$key};
        _fail('HEADER', $key) if defined $value && "$value" =~ /[\r\n\0]/;
        # RFC 5322 2.1.1: 998 characters a line.
        _fail('LONG', ucfirst $key) if defined $value && length("$key: $value") > 998;
    }
}

# A value sent with the form that lands in a recipient header must be one
# plain address: a list there would let a visitor choose whom the site mails.
sub _one_address_each {
    my ($arg) = @_;
    return if ZentraCGI::Setting('form_address_lists');
    my $recipients = join("\n", grep {defined} map {"$_"} @$arg{qw(to cc bcc)});
    for my $name (@ZentraCGI::FIELDS) {
        for my $value (grep { defined && !ref } ZentraCGI::FieldValues($name)) {
            (my $trimmed = $value) =~ s/^\s+|\s+$//g;
            next unless $trimmed =~ /\@/ && !_plain_address($trimmed) && index($recipients, $trimmed) >= 0;
            _fail('ONEADDRESS', $trimmed);
        }
    }
}

sub _open_data {
    my ($fh, $path) = @_;
    require Fcntl;
    return sysopen($_[0], $path, Fcntl::O_RDONLY() | Fcntl::O_NOFOLLOW());
}

# Every check of a message that needs no server: run by the generated script
# before the first action of a handler, so that a refused recipient stops the
# handler before anything is stored; and by sendmail itself. Values a later
# action has still to fill are empty here and pass.
sub CheckMail {
    my (%arg) = @_;
    _check_headers(\%arg);
    my $from = defined $arg{from} ? $arg{from} : '';
    $from =~ s/^\s+|\s+$//g;
    _fail('ADDRESS', $from) unless $from eq '' || _plain_address($from);
    _one_address_each(\%arg);
    return map { _addresses($arg{$_}) } qw(to cc bcc);
}

sub _source_name {
    my ($source) = @_;
    (my $name = "$source") =~ s{.*[/\\]}{}s;
    $name =~ s/["\x00-\x1f\x7f]//g;
    return $name;
}

# The bytes of one document, filled first when it is a template.
sub _document_data {
    my ($doc, $first) = @_;
    my $source = $doc->{source};
    if (!defined $source || "$source" eq '') {
        return $first ? ZentraMsg::DefaultMsg(ZentraMsg::MSG_EMAIL()) : undef;
    }
    return ZentraMsg::FillTemplate($source, 0, 0, _is_html($doc), 1) if $doc->{template};
    my $path = ZentraCGI::SafePath($source, 1, 'data');
    my $fh;
    if (defined $path && (ref($path) || ref(\$path) eq 'GLOB')) {
        $fh = $path;
        seek($fh, 0, 0);
    } elsif (!defined $path || !_open_data($fh, $path)) {
        _fail('READ', $source);
    }
    binmode $fh;
    local $/;
    my $data = <$fh>;
    return defined $data ? $data : '';
}

sub _is_html {
    my ($doc) = @_;
    return (defined $doc->{content} && $doc->{content} =~ m{^\s*text/html}i) ? 1 : 0;
}

sub _charset {
    my ($text, $html) = @_;
    return $html ? ZentraMsg::PageCharset($text) : ZentraMsg::TextCharset($text);
}

sub _encode {
    my ($data, $enc) = @_;
    if (lc($enc) eq 'base64') {
        require MIME::Base64;
        return MIME::Base64::encode_base64($data, "\r\n");
    }
    $data =~ s/\r\n|\r|\n/\r\n/g;    # no bare CR or LF reaches the wire (RFC 5321 2.3.8)
    $data .= "\r\n" unless $data =~ /\r\n\z/;
    return $data;
}

sub _part {
    my ($doc, $first) = @_;
    my $data = _document_data($doc, $first);
    return undef unless defined $data;
    my $enc = lc($doc->{enc} || '8bit');
    $enc = '8bit' unless $enc =~ /^(?:7bit|8bit|base64)$/;
    my $type = $doc->{content} || 'text/plain';
    $type =~ s/[\x00-\x1f\x7f]//g;
    $type .= '; charset=' . _charset($data, _is_html($doc)) if $type =~ m{^\s*text/}i && $type !~ /charset/i;
    my $head = "Content-Type: $type\r\nContent-Transfer-Encoding: $enc\r\n";
    if (!$first && defined $doc->{source} && "$doc->{source}" ne '') {
        my $name = _source_name($doc->{source});
        $head .= "Content-Disposition: attachment; filename=\"$name\"\r\n";
    }
    return { head => $head, body => _encode($data, $enc) };
}

sub _docs {
    my ($docs) = @_;
    my @docs = ref($docs) eq 'ARRAY' ? @$docs : ();
    @docs = ([]) unless @docs;
    my @parts;
    for my $i (0 .. $#docs) {
        my $doc = $docs[$i];
        $doc = { @$doc } if ref($doc) eq 'ARRAY';
        my $part = _part($doc, $i == 0);
        push @parts, $part if $part;
    }
    return @parts;
}

my @WDAY = qw(Sun Mon Tue Wed Thu Fri Sat);
my @MON  = qw(Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec);

sub _date {
    my @t = gmtime($_[0]);
    return sprintf('%s, %02d %s %04d %02d:%02d:%02d +0000', $WDAY[$t[6]], $t[3], $MON[$t[4]], $t[5] + 1900, @t[2, 1, 0]);
}

# RFC 2047 encoded words short enough for a header line of 78, cut between characters.
sub _encoded_words {
    my ($text) = @_;
    return $text unless $text =~ /[^\x20-\x7e]/;
    require MIME::Base64;
    my $charset = _charset($text, 0);
    my @words;
    while ($text ne '') {
        my $size = length($text) < 39 ? length($text) : 39;
        --$size while $charset eq 'utf-8' && $size > 1 && $size < length($text)
            && substr($text, $size, 1) =~ /[\x80-\xbf]/;
        push @words, "=?$charset?B?" . MIME::Base64::encode_base64(substr($text, 0, $size, ''), '') . '?=';
    }
    return join("\r\n ", @words);
}

# A display name as a phrase (RFC 5322 3.2.5): encoded beyond ASCII, quoted
# where it holds a special character.
sub _phrase {
    my ($name) = @_;
    $name =~ s/^\s+|\s+$//g;
    return _encoded_words($name) if $name =~ /[^\x20-\x7e]/;
    return $name unless $name =~ /[()<>\[\]:;\@\\,."]/;
    $name =~ s/(["\\])/\\$1/g;
    return "\"$name\"";
}

# An address list with every display name made a phrase.
sub _address_header {
    my ($text) = @_;
    my @items;
    for my $item (grep {/\S/} split /[,;]/, $text) {
        $item =~ s/^\s+|\s+$//g;
        if ($item =~ /^"?(.*?)"?\s*<([^<>]*)>$/) {
            $item = $1 ne '' ? _phrase($1) . " <$2>" : "<$2>";
        }
        push @items, $item;
    }
    return join(', ', @items);
}

sub build_message {
    my (%arg) = @_;
    my $from   = defined $arg{from} ? $arg{from} : '';
    my $sender = defined $arg{sender} ? $arg{sender} : '';
    my @head   = ('MIME-version: 1.0', "X-Mailer: $MAILER",
        'Date: ' . _date(time),
        'From: ' . ($sender =~ /\S/ ? _phrase($sender) . " <$from>" : $from));
    push @head, 'To: ' . _address_header($arg{to}) if defined $arg{to} && $arg{to} =~ /\S/;
    push @head, 'CC: ' . _address_header($arg{cc}) if defined $arg{cc} && $arg{cc} =~ /\S/;
    push @head, "Reply-To: $from"   if $from ne '';
    push @head, 'Subject: ' . _encoded_words(defined $arg{subject} ? $arg{subject} : '');
    my @parts = _docs($arg{docs});
    my $text  = join("\r\n", @head) . "\r\n";
    if (@parts == 1) {
        return $text . $parts[0]{head} . "\r\n" . $parts[0]{body};
    }
    my $boundary = '=_zentra_' . join('', map { int(rand(10)) } 1 .. 16);
    $text .= "Content-Type: multipart/mixed; boundary=\"$boundary\"\r\n\r\nThis is a MIME message.\r\n";
    # A delimiter starts with its own line break (RFC 2046 5.1.1); the last line of a part keeps its own.
    $text .= "--$boundary\r\n$_->{head}\r\n$_->{body}\r\n" for @parts;
    return $text . "--$boundary--\r\n";
}

# ---------------------------------------------------------------- SMTP and POP

sub _reply {
    my ($sock) = @_;
    my $text = '';
    while (defined(my $line = mNet::read_line($sock))) {
        $text .= "$line\n";
        return ($1, $text) if $line =~ /^(\d{3})(?: |$)/;
    }
    return (0, $text);
}

sub _command {
    my ($sock, $line, $host, @ok) = @_;
    mNet::send_all($sock, "$line\r\n") if defined $line;
    my ($code, $text) = _reply($sock);
    return 1 if grep { $code == $_ } @ok;
    close $sock;
    _fail('REFUSED', $host, $text eq '' ? 'no answer' : $text);
}

sub _pop_login {
    my ($pop, $user, $pass) = @_;
    my ($host, $port) = mNet::split_hostport($pop, 110);
    my $sock = mNet::connect_to($host, $port) or _fail('POP', $pop);
    for my $line (undef, "USER $user", "PASS $pass") {
        mNet::send_all($sock, "$line\r\n") if defined $line;
        my $answer = mNet::read_line($sock);
        next if defined $answer && $answer =~ /^\+OK/;
        close $sock;
        _fail('POP', $pop);
    }
    mNet::send_all($sock, "QUIT\r\n");
    mNet::read_line($sock);
    close $sock;
}

sub _helo_name {
    my $name = $ENV{SERVER_NAME} || 'localhost';
    $name =~ s/[^\w.\-]//g;
    return $name eq '' ? 'localhost' : $name;
}

sub _smtp_send {
    my ($server, $from, $recipients, $message) = @_;
    $server = 'localhost' unless defined $server && $server =~ /\S/;
    my ($host, $port) = mNet::split_hostport($server, 25);
    my $sock = mNet::connect_to($host, $port) or _fail('CONNECT', $server);
    _command($sock, undef, $server, 220);
    my $helo = _helo_name();
    mNet::send_all($sock, "EHLO $helo\r\n");
    my ($code) = _reply($sock);
    _command($sock, "HELO $helo", $server, 250) unless $code == 250;
    _command($sock, "MAIL FROM:<$from>", $server, 250);
    _command($sock, "RCPT TO:<$_>", $server, 250, 251) for @$recipients;
    _command($sock, 'DATA', $server, 354);
    (my $data = $message) =~ s/\r\n|\r|\n/\r\n/g;
    $data .= "\r\n" unless $data =~ /\r\n\z/;
    $data =~ s/^\./../mg;    # RFC 5321 4.5.2
    _command($sock, "$data.", $server, 250);
    mNet::send_all($sock, "QUIT\r\n");
    _reply($sock);
    close $sock;
}

# A log-in on the submission port (RFC 6409): STARTTLS first (RFC 3207), or
# TLS from the start on port 465 (RFC 8314), then AUTH PLAIN or LOGIN (RFC
# 4954). The password never travels unencrypted.
sub _smtp_auth_send {
    my ($server, $user, $pass, $from, $recipients, $message) = @_;
    my ($host, $port) = mNet::split_hostport($server, 587);
    for my $module (qw(Net::SMTP IO::Socket::SSL)) {
        eval "require $module; 1" or _fail('MODULE', $server, $module);
    }
    _fail('MODULE', $server, 'Net::SMTP 3.0') unless Net::SMTP->can('starttls');
    my $implicit = $port == $IMPLICIT_TLS_PORT;
    my $smtp = Net::SMTP->new($host, Port => $port, Hello => _helo_name(), Timeout => 30, SSL => $implicit);
    if (!$smtp) {
        _fail('TLS', $server, $@) if $implicit && $@ =~ /SSL|certificate/i;
        no warnings 'once';
        local $ZentraPages::cause = $@;
        _fail('CONNECT', $server);
    }
    $implicit or $smtp->starttls() or _fail('TLS', $server, $@ || _said($smtp));
    _smtp_login($smtp, $server, $user, $pass);
    my $step = sub {
        return if $_[0];
        my $text = _said($smtp);
        $smtp->quit;
        _fail('REFUSED', $server, $text);
    };
    $step->($smtp->mail($from));
    $step->($smtp->recipient($_)) for @$recipients;
    $step->($smtp->data());
    $step->($smtp->datasend($message) && $smtp->dataend());
    $smtp->quit;
}

# Net::SMTP's own auth needs Authen::SASL, which few hosts have; both
# mechanisms are a line or three of base64.
sub _smtp_login {
    my ($smtp, $server, $user, $pass) = @_;
    require MIME::Base64;
    my $b64 = sub { MIME::Base64::encode_base64($_[0], '') };
    my $offered = $smtp->supports('AUTH') || '';
    my $ok;
    if ($offered =~ /\bPLAIN\b/i) {
        $ok = $smtp->command('AUTH PLAIN', $b64->("\0$user\0$pass"))->response() == Net::Cmd::CMD_OK();
    } elsif ($offered =~ /\bLOGIN\b/i) {
        $ok = $smtp->command('AUTH LOGIN')->response() == Net::Cmd::CMD_MORE()
            && $smtp->command($b64->($user))->response() == Net::Cmd::CMD_MORE()
            && $smtp->command($b64->($pass))->response() == Net::Cmd::CMD_OK();
    } else {
        $smtp->quit;
        _fail('SMTPAUTH', $server, 'the server offers no AUTH PLAIN or LOGIN');
    }
    return if $ok;
    my $text = _said($smtp);
    $smtp->quit;
    _fail('SMTPAUTH', $server, $text);
}

sub _said {
    my ($smtp) = @_;
    (my $text = join(' ', $smtp->code, $smtp->message)) =~ s/\s+$//;
    return $text;
}

sub _command_send {
    my ($mailcmd, $recipients, $message) = @_;
    my @cmd = split ' ', $mailcmd;
    _fail('MAILCMD', $mailcmd) unless @cmd && -x $cmd[0];
    my $from_headers = grep { $_ eq '-t' } @cmd;
    push @cmd, '-oi';
    push @cmd, '--', @$recipients unless $from_headers;
    (my $local = $message) =~ s/\r\n/\n/g;
    my $pipe;
    _fail('MAILCMD', $mailcmd) unless open($pipe, '|-', @cmd);
    binmode $pipe;
    print {$pipe} $local;
    _fail('MAILCMD', $mailcmd) unless close($pipe);
}

sub _transport {
    my ($arg, $recipients, $message) = @_;
    my $cmd = $arg->{mailcmd};
    $cmd = $arg->{mailhost} if !(defined $cmd && $cmd =~ /\S/) && defined $arg->{mailhost}
        && $arg->{mailhost} =~ m{[/\\]};
    if (defined $cmd && $cmd =~ /\S/) {
        _command_send($cmd, $recipients, $message);
    } elsif (defined $arg->{user} && $arg->{user} ne '' && !(defined $arg->{pop} && $arg->{pop} =~ /\S/)) {
        _smtp_auth_send($arg->{mailhost}, $arg->{user}, $arg->{pass} // '', $arg->{from}, $recipients, $message);
    } else {
        _smtp_send($arg->{mailhost}, $arg->{from}, $recipients, $message);
    }
}

sub _list_recipients {
    my ($listsrc) = @_;
    my $path = ZentraCGI::SafePath($listsrc, 1, 'data');
    my $fh;
    _fail('READ', $listsrc) unless defined $path && !ref($path) && _open_data($fh, $path);
    my @list;
    while (my $line = <$fh>) {
        my ($address) = split /,/, $line, 2;
        $address =~ s/^\s+|\s+$//g;
        push @list, $address if _plain_address($address);
    }
    return @list;
}

sub sendmail {
    my %arg = @_;
    require mNet;
    my @recipients = CheckMail(%arg);
    ($arg{from} = defined $arg{from} ? $arg{from} : '') =~ s/^\s+|\s+$//g;
    my @list = (defined $arg{listsrc} && "$arg{listsrc}" ne '') ? _list_recipients($arg{listsrc}) : ();
    _fail('FILL', 'To') unless @recipients || @list;
    my $message = build_message(%arg);
    my $smtp = !(defined $arg{mailcmd} && $arg{mailcmd} =~ /\S/)
        && !(defined $arg{mailhost} && $arg{mailhost} =~ m{[/\\]});
    _pop_login($arg{pop}, $arg{user} // '', $arg{pass} // '') if $smtp && defined $arg{pop} && $arg{pop} =~ /\S/;
    _transport(\%arg, \@recipients, $message) if @recipients;
    _transport(\%arg, [$_], $message) for @list;
    return 1;
}

sub SendMail {
    my ($name, $sender, $from, $to, $cc, $subject, $file, $server, $pop, $user, $pass) = @_;
    my $transport = (defined $server && $server =~ m{/}) ? 'mailcmd' : 'mailhost';
    return sendmail($transport => $server, pop => $pop, user => $user, pass => $pass, from => $from,
        sender => $sender, to => $to, cc => $cc, subject => $subject,
        docs => [[content => 'text/plain', enc => '8bit', type => 'FILE', source => $file, binmode => 0,
            template => 1]]);
}

1;
