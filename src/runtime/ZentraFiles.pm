package ZentraFiles;

# Data files for the CGI scripts that Quillet generates (ReadWrite), compiled
# by ZentraCGI on the first call. A file is written under an exclusive lock, so
# that appends from submissions at the same moment lose no line.

use strict;
use warnings;

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
    # A link planted in the data folder is never followed.
    sysopen($fh, $path, Fcntl::O_WRONLY() | Fcntl::O_CREAT() | Fcntl::O_NOFOLLOW(), 0666) or return 0;
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

# The log names the path and why it failed; the visitor sees the file's name.
sub _fail_file {
    my ($key, $path, $named) = @_;
    require ZentraPages;
    local $ZentraPages::cause = defined $path && !ref($path) ? "$!" : 'the name was refused';
    ZentraMsg::Fail($key, defined $path && !ref($path) ? $path : $named);
}

# Mode 2 reads the data file (or an upload's handle); modes 0 (overwrite) and 1
# (append) write the filled template, with the values as they were sent.
sub ReadWrite {
    my ($name, $mode, $template, $datafile, $nofix) = @_;
    $mode = 0 unless defined $mode && $mode =~ /^\d+$/;
    my $path = ZentraCGI::SafePath($datafile, $nofix, 'data');
    my $named = defined $datafile ? $datafile : '';
    if ($mode == 2) {
        return _read_handle($path) if ref($path) || ref(\$path) eq 'GLOB';
        ZentraMsg::Fail('NOFILE') unless "$named" ne '';
        my $fh;
        require Fcntl;
        _fail_file('READ', $path, $named)
            unless defined $path && sysopen($fh, $path, Fcntl::O_RDONLY() | Fcntl::O_NOFOLLOW());
        return _read_handle($fh);
    }
    my $text = (defined $template && "$template" ne '')
        ? ZentraMsg::FillTemplate($template, 0, 0, 0, 1)
        : ZentraMsg::DefaultMsg(2);
    ZentraMsg::Fail('NOFILE') unless "$named" ne '';
    _fail_file($mode == 1 ? 'APPEND' : 'WRITE', $path, $named)
        unless defined $path && !ref($path) && _write_locked($path, $mode, $text);
    return $text;
}

1;
