
# ---------------------------------------------------------------------------
# Include paths of the runtime modules (appended to every generated script).

sub _NormalisePath {
    my ($path) = @_;
    $path = '' unless defined $path;
    $path =~ tr{\\}{/};
    $path =~ s{/{2,}}{/}g;
    return $path;
}

# The modules' folder goes last but one, "." last.
sub SetIncludePath {
    my ($path) = @_;
    $path = '' unless defined $path;
    $path = (defined $ftproot ? $ftproot : '') . $path if $path =~ m{^/};
    $path = _NormalisePath($path);
    @INC = ((grep { $_ ne $path && $_ ne '.' } @INC), ($path ne '' ? $path : ()), '.');
}

# PATH_TRANSLATED names the script itself only when the request carries no
# PATH_INFO; otherwise it is the document root plus that extra path.
sub GetCGIPath {
    my $file = $ENV{SCRIPT_FILENAME};
    $file = $ENV{PATH_TRANSLATED}
        if defined $ENV{PATH_TRANSLATED} && $ENV{PATH_TRANSLATED} ne '' && !($ENV{PATH_INFO});
    my $dir = '';
    if (defined $file && $file ne '') {
        my $pos = rindex($file, '/');
        $pos = rindex($file, '\\') if $pos < 0;
        $dir = substr($file, 0, $pos) if $pos > 0;
    }
    if ($dir eq '') {
        require Cwd;
        $dir = Cwd::getcwd();
    }
    return _NormalisePath($dir);
}

sub GetFTPRoot {
    my ($path) = @_;
    my $dir = GetCGIPath();
    $path = _NormalisePath($path);
    $path =~ s{/$}{};
    return '' if length($path) >= length($dir);
    my $pos = rindex(lc $dir, lc $path);
    return substr($dir, 0, $pos) if $pos >= 0 && $path ne '';
    return $dir;
}
