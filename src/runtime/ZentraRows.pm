package ZentraRows;

# Select Records results for the CGI scripts that Quillet generates, compiled
# by ZentraCGI on the first call.
#
# Choices where the contract is open:
#   - PrintRows(result, page size [, action name]) fetches every row once, builds
#     DefaultReport from all of them, sets nrows to the number of rows found (a
#     driver may answer "0E0" or -1 before fetching) and, with a page size, also
#     fills the paging values of FetchRows; the action name defaults to the
#     main-package variable that holds the result.
#   - DefaultReport lists columns in the statement's column order.
#   - FetchRows sets last to row count - size + 1, the start of the page that
#     holds the last row (count - size would never show the last row).

use strict;
use warnings;

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
    $result->{nrows}  = scalar @rows if $sth;
    return \@rows;
}

sub FetchRows {
    my ($result, $size, $name) = @_;
    return unless ref($result) eq 'HASH';
    $size = (defined $size && $size =~ /^\s*(\d+)/) ? $1 : 0;
    my $from = defined $name ? $main::FORM{"${name}_from"} : undef;
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
    my $esc  = \&ZentraCGI::HtmlEncode;
    my $html = "<table border=\"1\">\n";
    $html .= '<tr>' . join('', map { '<th>' . $esc->($_) . '</th>' } @names) . "</tr>\n" if @names;
    for my $row (@$all) {
        $html .= '<tr>'
            . join('', map { '<td>' . $esc->(defined $row->{$_} ? $row->{$_} : '') . '</td>' } @names)
            . "</tr>\n";
    }
    $result->{DefaultReport} = "$html</table>\n";
    if (defined $size && $size =~ /^\s*\d+/ && $size > 0) {
        $name = _result_name($result) unless defined $name;
        FetchRows($result, $size, $name);
    }
    return $result->{DefaultReport};
}

1;
