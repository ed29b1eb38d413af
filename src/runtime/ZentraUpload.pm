package ZentraUpload;

# Multipart bodies (RFC 7578) for the CGI scripts that Quillet generates,
# compiled by ZentraCGI only for a request that carries one. A file part is
# stored in a temporary file created exclusively with mode 0600 (names
# "CGItemp" and a number, in the first writable of TMPDIR and the usual
# temporary folders); its value in %FORM is a read handle that prints as the
# client's file name. CleanUp removes the files.

use strict;
use warnings;

sub _temp_dirs {
    return grep { defined && $_ ne '' && -d && -w } ($ENV{TMPDIR}, '/usr/tmp', '/var/tmp', '/tmp');
}

# O_EXCL refuses a name planted in advance (a symlink included).
sub _new_tempfile {
    require Fcntl;
    for my $dir (_temp_dirs()) {
        for my $try (1 .. 100) {
            my $path = sprintf('%s/CGItemp%d%04d', $dir, $$, scalar(@ZentraCGI::tempfiles) * 100 + $try);
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
        ZentraCGI::_add_value($name, '');
        return;
    }
    my ($fh, $path) = _new_tempfile();
    ZentraMsg::MessagePage($main::WWW_APPNAME, 'The uploaded file could not be stored on the server.')
        unless $fh;
    print {$fh} $data;
    seek($fh, 0, 0);
    my $upload = ZentraCGI::Upload->new($fh, $base);
    my $entry  = { handle => $upload, path => $path, filename => $base, type => $type || '', field => $name };
    push @ZentraCGI::tempfiles, $entry;
    $ZentraCGI::TEMPFILES{$base} = $entry;
    ZentraCGI::_add_value($name, $upload);
}

sub boundary {
    my ($type) = @_;
    my ($quoted, $plain) = $type =~ /boundary=(?:"([^"]+)"|([^;\s]+))/i;
    return defined $quoted ? $quoted : $plain;
}

sub read_multipart {
    my ($fh, $boundary) = @_;
    my $body = ZentraCGI::_read_body($fh || \*STDIN);
    return unless defined $boundary && $boundary ne '';
    my $delim = "--$boundary";
    my ($count, $at, $max) = (0, 0, ZentraCGI::Setting('max_fields'));
    while (($at = index($body, $delim, $at)) >= 0) {
        ZentraCGI::_too_many_fields() if ++$count > $max + 1;    # the closing delimiter counts too
        $at += length $delim;
    }
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
            ZentraCGI::_add_value($name, $data);
        }
    }
    ZentraCGI::_set_field_states();
}

package ZentraCGI::Upload;

# A read handle on the stored upload that prints as the client's file name.
use overload '""' => sub { ${ *{ $_[0] }{SCALAR} } }, 'bool' => sub {1}, fallback => 1;

sub new {
    my ($class, $fh, $filename) = @_;
    my $self = \do { no warnings 'once'; local *ZENTRA_UPLOAD };
    open($self, '+<&', $fh) or return $fh;
    close($fh);
    binmode $self;
    seek($self, 0, 0);
    ${ *{$self}{SCALAR} } = $filename;
    return bless $self, $class;
}

1;
