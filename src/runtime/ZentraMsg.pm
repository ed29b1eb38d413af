package ZentraMsg;

# The filling of templates and the pages sent to the browser for the CGI scripts
# that Quillet generates.
#
# A template is filled by replacing the variable references that the template
# menus offer, and nothing else, so the rest of its text comes out as typed (an
# e-mail address, a price, a lone "$" or "@"):
#
#   $FORM{'name'}[n]   $FORM{'name'}   @{$FORM{'name'}}   $FIELD_STATE{'name'}{'value'}
#   $ENV{'NAME'}   $COOKIEJAR{'name'}   $Action   $Action->{rows}[n]{'column'}   $Action->{nrows} ...
#
# Keys are quoted with ' or " or are bare words. A field without an index reads
# as its first value, all values are joined by one blank, and a bare $name is a
# reference only when the script holds a value of that name.
#
# FillText HTML-escapes every value when the text is for a browser page or an
# HTML mail; data files and plain-text mail get the values as they are. Markup
# that the runtime builds itself (a DefaultReport table, the page a MakeMsg call
# returned) is never escaped.
#
# A page goes out with the charset it declares, else UTF-8 (PageCharset). The
# built-in pages and the failure reports live in ZentraPages.

use strict;
use warnings;
use Exporter 'import';
use ZentraCGI ();

our @EXPORT = qw(MakeMsg MessagePage DefaultMsg);
our @EXPORT_OK = qw(FillText FillTemplate ThankYouPage InfoPage Fail DatabaseError PageCharset MSG_EMAIL MSG_HTML
    MSG_TEXT);

sub MSG_EMAIL () { 0 }
sub MSG_HTML ()  { 1 }
sub MSG_TEXT ()  { 2 }

# Names of the script variables that hold a page MakeMsg filled, with that page.
my %markup;

sub _esc { ZentraCGI::HtmlEncode(@_) }

# ---------------------------------------------------------------- filling

my $SUBSCRIPT = '(?:->)?(?:\{[^{}]*\}|\[\s*-?\d+\s*\])';
my $REFERENCE = qr/((?<all>\@\{\s*)?\$(?<brace>\{)?([A-Za-z]\w*)(?(<brace>)\})((?:$SUBSCRIPT)*)(?(<all>)\s*\}))/;
my %HASHES    = (FORM => 1, ENV => 1, COOKIEJAR => 1, FIELD_STATE => 1);
my %UNSHOWN   = (ARRAY => 1, HASH => 1, CODE => 1, SCALAR => 1, REF => 1, GLOB => 1);

sub _key {
    my ($key) = @_;
    $key =~ s/^\s+|\s+$//g;
    $key =~ s/\\(.)/$1/gs if $key =~ s/^(['"])(.*)\1$/$2/s;
    return $key;
}

sub _text {
    my ($value) = @_;
    return '' if !defined $value || $UNSHOWN{ ref $value };
    return "$value";
}

# The value at the end of the subscripts, the last key, and the subscripts that
# are not part of the reference (text after a plain $name, kept as typed).
sub _walk {
    my ($head, $subscripts) = @_;
    my @steps;
    while ($subscripts =~ /\G(->)?(?:\{([^{}]*)\}|\[\s*(-?\d+)\s*\])/gc) {
        push @steps, [$1, defined $2 ? _key($2) : undef, $3];
    }
    no strict 'refs';
    my $value;
    if ($HASHES{$head}) {
        return (undef, undef, undef) unless @steps && defined $steps[0][1] && !$steps[0][0];
        $value = $head eq 'ENV' ? \%ENV : \%{"main::$head"};
    } else {
        return (undef, undef, undef) unless exists $main::{$head};
        $value = ${"main::$head"};
        return ($value, undef, $subscripts) if @steps && !$steps[0][0];    # "$name{...}" is no reference
    }
    for my $step (@steps) {
        my (undef, $key, $index) = @$step;
        if (defined $key && ref($value) eq 'HASH') {
            $value = $value->{$key};
        } elsif (defined $index && ref($value) eq 'ARRAY') {
            $value = $value->[$index];
        } else {
            return ('', undef, '');
        }
    }
    $value = $value->[0] if ref($value) eq 'ARRAY';    # a field without an index: its first value
    return ($value, @steps ? $steps[-1][1] : undef, '');
}

sub _fill_one {
    my ($reference, $all, $head, $subscripts, $escape) = @_;
    if ($all) {
        return $reference unless $head eq 'FORM' && $subscripts =~ /^\{([^{}]*)\}$/;
        my @values = map { _text($_) } ZentraCGI::FieldValues(_key($1));
        return join(' ', $escape ? map { _esc($_) } @values : @values);
    }
    my ($value, $last, $rest) = _walk($head, $subscripts);
    return $reference unless defined $rest && (defined $value || $subscripts ne $rest);
    my $text = _text($value);
    if (defined $last) {
        return $text if $last eq 'DefaultReport';
        $text = '0' if $last eq 'nrows' && $text eq '0E0';    # DBI's "no rows, but no failure"
    } elsif ($subscripts eq $rest && defined $markup{$head} && $markup{$head} eq $text) {
        return $text . $rest;
    }
    return ($escape ? _esc($text) : $text) . $rest;
}

# The text with every variable reference replaced by its value.
sub FillText {
    my ($text, $escape) = @_;
    # Paging forms designed by earlier versions carry their button only when it
    # was pressed, written as a Perl expression.
    if (index($text, '@{[ defined $FORM{') >= 0) {
        my $carried = q{\@\{\[ defined \$FORM\{'([^'{}]*)'\} \? qq\((.*?)\) : '' \]\}};
        $text =~ s/$carried/defined $main::FORM{$1} ? $2 : ''/ge;
    }
    $text =~ s/$REFERENCE/_fill_one($1, $2, $4, $5, $escape)/ge;
    return $text;
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
    return FillText($text, $escape);
}

sub MakeMsg {
    my ($name, $template, $bodyonly, $raw) = @_;
    my $page = FillTemplate($template, $bodyonly, $raw, 1, 1);
    $markup{$name} = $page if defined $name;
    return $page;
}

# UTF-8 when the bytes are UTF-8, else ISO-8859-1.
sub TextCharset {
    my ($text) = @_;
    my $copy = $text;
    return utf8::decode($copy) ? 'utf-8' : 'iso-8859-1';
}

# The encoding a page declares, else that of its bytes.
sub PageCharset {
    my ($html) = @_;
    return lc $1 if $html =~ /<meta\b[^>]*?\bcharset\s*=\s*["']?\s*([\w.:\-]+)/i;
    return TextCharset($html);
}

# ---------------------------------------------------------------- answers

sub _status_line {
    return (defined $ENV{PERLXS} && $ENV{PERLXS} eq 'PerlIS') ? "HTTP/1.0 200 OK\n" : '';
}

# Sends a whole page with its charset and ends the script.
sub SendPage {
    my ($page) = @_;
    binmode STDOUT;
    print _status_line(), 'Content-type: text/html; charset=', PageCharset($page), "\n\n", $page;
    ZentraCGI::CleanUp() if defined &ZentraCGI::CleanUp;
    exit 0;
}

# The built-in pages and the failure reports are compiled on their first use.
for my $name (qw(MessagePage Fail DatabaseError DefaultMsg ThankYouPage InfoPage)) {
    no strict 'refs';
    *{"ZentraMsg::$name"} = sub { require ZentraPages; goto &{"ZentraPages::$name"} };
}

1;
