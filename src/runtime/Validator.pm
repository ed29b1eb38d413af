package Validator;

# Field checks for the CGI scripts that Quillet generates.
#
#   my $v = Validator->new(\%FORM);          # name -> [ values ]
#   $v->settmpfiles(\%TEMPFILES);            # uploads, for content-type rules
#   $v->param($field, $method, $required);   # one rule per field
#   $v->validate or print $v->errmsg('<b>', '</b>', "<br>\n");
#
# Methods: text, integer, number, email, realemail, phone, expdate, url,
# realurl, creditcard, sqloperator, sqlparam, and "type:PATTERN" for an upload
# whose content type must match PATTERN ("image/*"). Reasons: NODATA (a
# required field left empty), BADDATA (a value that does not match), OLDDATA (a
# card expiry in the past).
#
# check_form runs the rules text of a generated script (name=RULE pairs ended
# by "&", names and rules %-encoded where they hold "&", "=" or "%") over the
# submitted fields; form_errors gives the page text of its failures.
#
# Choices: URL accepts https as well as http; sqlparam accepts any value and
# leaves it unchanged, because generated statements pass values through DBI's
# quote; a DNS check that cannot reach any name server lets the value pass.

use strict;
use warnings;

my %RULE_METHOD = (
    'NOT NULL' => 'text', CREDIT_CARD => 'creditcard', EMAIL => 'email', REAL_EMAIL => 'realemail',
    EXPIRATION_DATE => 'expdate', DECIMAL => 'number', INTEGER => 'integer', PHONE => 'phone',
    URL => 'url', REAL_URL => 'realurl', SQL_OPERATOR => 'sqloperator',
    SQL_PARAM_ANYTHING => 'sqlparam', SQL_PARAM_NOTNULL => 'sqlparam',
);

my $last_form;

sub _decode {
    my ($text) = @_;
    return '' unless defined $text;
    $text =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge;
    return $text;
}

sub check_form {
    my ($rules, $form, $tmpfiles) = @_;
    my $validator = Validator->new($form);
    $validator->settmpfiles($tmpfiles);
    for my $pair (split /&/, defined $rules ? $rules : '') {
        my ($name, $rule) = map { _decode($_) } split /=/, $pair, 2;
        next if $name eq '' || $rule eq '' || $rule eq 'ANYTHING';
        my $method = $RULE_METHOD{$rule};
        $method = substr($rule, 1) if !defined $method && $rule =~ /^-/;
        $method = "type:$rule" unless defined $method;
        $validator->param($name, $method, $rule eq 'SQL_PARAM_ANYTHING' ? 0 : 1);
    }
    $last_form = $validator;
    return $validator->validate;
}

sub form_errors {
    return $last_form ? $last_form->errmsg('<b>', '</b>', "<br>\n") : '';
}

sub new {
    my ($class, $data) = @_;
    return bless { data => $data || {}, params => [], tmpfiles => {}, failed => [] }, $class;
}

sub param {
    my ($self, $field, $method, $required) = @_;
    push @{ $self->{params} }, [$field, $method, $required ? 1 : 0];
}

sub settmpfiles {
    my ($self, $tmpfiles) = @_;
    $self->{tmpfiles} = $tmpfiles || {};
}

sub failed { @{ $_[0]{failed} } }

sub _first {
    my ($self, $field) = @_;
    my $values = $self->{data}{$field};
    return ref($values) eq 'ARRAY' ? $values->[0] : $values;
}

sub _value_of {
    my ($self, $field, $method) = @_;
    my $value = $self->_first($field);
    if ($method eq 'expdate' && (!defined $value || "$value" !~ /\S/)) {
        my ($month, $year) = ($self->_first("${field}_MONTH"), $self->_first("${field}_YEAR"));
        $value = "$month/$year" if defined $month && defined $year && "$month$year" =~ /\S/;
    }
    return $value;
}

sub validate {
    my ($self) = @_;
    $self->{failed} = [];
    for my $param (@{ $self->{params} }) {
        my ($field, $method, $required) = @$param;
        my $value = $self->_value_of($field, $method);
        my $reason;
        if (!defined $value || "$value" !~ /\S/) {
            $reason = 'NODATA' if $required;
        } else {
            $reason = $self->check($method, $value);
        }
        push @{ $self->{failed} }, [$field, $reason] if $reason;
    }
    return @{ $self->{failed} } ? 0 : 1;
}

my %PATTERN = (
    text    => qr/\S/,
    integer => qr/^\s*\d+\s*$/,
    number  => qr/^\s*\d+(?:\.\d*)?\s*$/,
    email   => qr/^\s*[\w.\-]+\@[\w\-][\w.\-]+\s*$/,
    phone   => qr/^\s*\+?\s*(?:\(\d{1,2}\)[ \-]?)?\d{1,3}[ \-]?\d{2,4}[ \-]?\d{3,5}\s*$/,
    url     => qr{^\s*https?://[\w\-]+\.[\w\-]+\.[\w.\-]+(?::\d+)?(?:[/?#]\S*)?\s*$}i,
);

my %SQL_OPERATOR = map { ($_ => 1) } ('=', '<>', '!=', '>', '<', '>=', '<=', 'LIKE', 'NOT LIKE', 'BETWEEN',
    'AMONG', 'IN', 'NOT IN');

# Returns undef when the value passes, else the reason.
sub check {
    my ($self, $method, $value) = @_;
    return $self->_check_type($1, $value) if $method =~ /^type:(.*)$/s;
    return undef if $method eq 'sqlparam';
    $value = "$value";
    if ($method eq 'sqloperator') {
        (my $op = uc $value) =~ s/^\s+|\s+$//g;
        $op =~ s/\s+/ /g;
        return $SQL_OPERATOR{$op} ? undef : 'BADDATA';
    }
    return _creditcard($value) ? undef : 'BADDATA' if $method eq 'creditcard';
    return _expdate($value) if $method eq 'expdate';
    if ($method eq 'realemail') {
        return 'BADDATA' unless $value =~ $PATTERN{email};
        return _dns_ok('chkemail', $value) ? undef : 'BADDATA';
    }
    if ($method eq 'realurl') {
        return 'BADDATA' unless $value =~ $PATTERN{url};
        return _dns_ok('chkurl', $value) ? undef : 'BADDATA';
    }
    my $pattern = $PATTERN{$method};
    return 'BADDATA' unless $pattern;    # an unknown method never lets a value through
    return $value =~ $pattern ? undef : 'BADDATA';
}

sub _check_type {
    my ($self, $pattern, $value) = @_;
    return 'BADDATA' unless ref $value;    # a typed-in name is not an upload
    my $entry = $self->{tmpfiles}{"$value"};
    my $type  = $entry ? $entry->{type} : '';
    my $regex = join('.*', map {quotemeta} split(/\*/, $pattern, -1));
    return $type =~ /^$regex$/i ? undef : 'BADDATA';
}

sub _luhn {
    my ($digits) = @_;
    my ($sum, $double) = (0, 0);
    for my $digit (reverse split //, $digits) {
        if ($double) {
            $digit *= 2;
            $digit -= 9 if $digit > 9;
        }
        $sum += $digit;
        $double = !$double;
    }
    return $sum % 10 == 0;
}

sub _creditcard {
    my ($value) = @_;
    (my $d = $value) =~ s/\D//g;
    my $len = length $d;
    my $prefix_ok = ($len == 13 && $d =~ /^4/)
        || ($len == 14 && $d =~ /^(?:36|38|30[0-5])/)
        || ($len == 15 && $d =~ /^(?:34|37|2014|2149|2131|1800)/)
        || ($len == 16 && $d =~ /^(?:4|3|5[1-5]|6011)/);
    return $prefix_ok && _luhn($d);
}

sub _expdate {
    my ($value) = @_;
    return 'BADDATA' unless $value =~ m{^\s*(\d{1,2})\s*[ \-/]\s*(\d{2,4})\s*$};
    my ($month, $year) = ($1, $2);
    return 'BADDATA' if $month < 1 || $month > 12;
    $year += 2000 if $year < 100;
    my @now = localtime(time);
    my ($this_year, $this_month) = ($now[5] + 1900, $now[4] + 1);
    return 'OLDDATA' if $year < $this_year || ($year == $this_year && $month < $this_month);
    return undef;
}

sub _dns_ok {
    my ($check, $value) = @_;
    my $ok = eval {
        require mNet;
        no strict 'refs';
        &{"mDNS::$check"}($value);
    };
    return 1 if $@ || !defined $ok;
    return $ok;
}

my %REASON_TEXT = (NODATA => ' was not entered.', BADDATA => ' was incorrect.', OLDDATA => ' was expired.');

sub errmsg {
    my ($self, $open, $close, $eol) = @_;
    ($open, $close, $eol) = map { defined $_ ? $_ : '' } ($open, $close, $eol);
    $eol = "\n" if $eol eq '';
    my $html = $open =~ /^</;
    my $text = "We are sorry, the following fields could not be properly processed.$eol$eol"
        . "Please correct the following:$eol";
    for my $failure (@{ $self->{failed} }) {
        my ($field, $reason) = @$failure;
        $field = ZentraCGI::HtmlEncode($field) if $html && defined &ZentraCGI::HtmlEncode;
        $text .= "$open$field$close$REASON_TEXT{$reason}$eol";
    }
    return $text;
}

1;
