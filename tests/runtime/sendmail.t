# sendmail against a real SMTP sink (aiosmtpd), a scripted POP3 server and a
# stand-in mail program.
use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use RuntimeTest;
use Test::More;
use IO::Socket::INET;
use MIME::Base64 qw(decode_base64);

my $dir     = temp_dir();
my $maildir = "$dir/mail";
mkdir $maildir;
mkdir "$dir/templates";
mkdir "$dir/data";
my ($sink, $port) = start_smtp_sink($maildir);
END { stop_server($sink) if $sink }

write_file("$dir/templates/body.txt", "Name: \$FORM{'name'}[0]\nNote: \$FORM{'note'}[0]\n.leading dot\n");
write_file("$dir/templates/notes.txt", "plain attachment\n");
my $binary = join('', map { chr } 0 .. 255) x 3;
write_file("$dir/data/blob.bin", $binary);

sub mail_script {
    my ($args) = @_;
    return cgi_script($dir, "ParseForm();\nsendmail(\n  mailhost=>'127.0.0.1:$port',\n$args);\n"
            . "print \"Content-type: text/plain\\n\\nsent\";\n");
}

sub send_form {
    my ($args, $stdin, %opt) = @_;
    my $before = scalar @{ sink_messages($maildir) };
    my ($out, $err) = run_cgi(dir => $dir, script => $opt{script} || mail_script($args), stdin => $stdin);
    my $messages = sink_messages($maildir);
    return ($out, [@$messages[$before .. $#$messages]], $err);
}

my $body_doc = "[content=>'text/plain', enc=>'8bit', type=>'FILE', source=>\"\$cgipath/templates/body.txt\", binmode=>0, template=>1]";

subtest 'plain message' => sub {
    my ($out, $new) = send_form("from=>'shop\@example.com', sender=>'The Shop', to=>\"\$FORM{'email'}[0]\", "
            . "cc=>'Zo\xC3\xAB <cc\@example.com>', bcc=>'hidden\@example.com', subject=>\"Order from \$FORM{'name'}[0]\", docs=>[$body_doc]",
        'email=ann%40example.org&name=Ann&note=%3Cb%3Eraw%3C%2Fb%3E');
    like($out, qr/sent$/, 'sendmail returns');
    is(scalar @$new, 1, 'one message');
    my $m = $new->[0];
    is($m->{from}, 'shop@example.com', 'envelope sender');
    is_deeply($m->{to}, ['ann@example.org', 'cc@example.com', 'hidden@example.com'], 'to, cc and bcc recipients');
    my ($head, $body) = split /\r\n\r\n/, $m->{data}, 2;
    like($head, qr/^MIME-version: 1\.0\r$/m, 'MIME version');
    like($head, qr/^X-Mailer: /m, 'mailer');
    like($head, qr/^From: The Shop <shop\@example\.com>\r$/m, 'From: sender and address');
    like($head, qr/^To: ann\@example\.org\r$/m, 'To');
    like($head, qr{^CC: =\?utf-8\?B\?Wm/Dqw==\?= <cc\@example\.com>\r$}m, 'CC with an encoded display name');
    like($head, qr/^Reply-To: shop\@example\.com\r$/m, 'Reply-To');
    like($head, qr/^Subject: Order from Ann\r$/m, 'Subject with a form value');
    unlike($head, qr/hidden/, 'blind copy not in the headers');
    is($body, "Name: Ann\r\nNote: <b>raw</b>\r\n.leading dot\r\n", 'template filled with raw values, CR LF lines, dot kept');
    like($head, qr{^Content-Type: text/plain; charset=utf-8\r$}m, 'the text part names its charset');

    # A bare CR before a dot must not end the data early on a lenient server.
    ($out, $new) = send_form("from=>'shop\@example.com', to=>'ann\@example.org', subject=>'x', docs=>[$body_doc]",
        'name=Ann&note=a%0D.%0Dend%0Amore');
    like((split /\r\n\r\n/, $new->[0]{data}, 2)[1], qr/^Note: a\r\n\.\r\nend\r\nmore\r\n\.leading dot\r\n\z/m,
        'bare CR and LF become CR LF, and the lone dot stays text');
};

subtest 'text beyond ASCII and HTML bodies' => sub {
    require Encode;
    my $long = "Gr\xC3\xBC\xC3\x9Fe " x 12;
    write_file("$dir/templates/body.html", "<p>\$FORM{'note'}[0] \xE2\x82\xAC</p>\n");
    my ($out, $new) = send_form("from=>'a\@example.com', sender=>\"\$FORM{'who'}[0]\", to=>'b\@example.com', "
            . "subject=>\"\$FORM{'s'}[0]\", docs=>[[content=>'text/html', enc=>'8bit', type=>'FILE', "
            . "source=>\"\$cgipath/templates/body.html\", binmode=>0, template=>1]]",
        'who=Ren%C3%A9e+%22R%22+Roe&note=%3Cscript%3Ex%3C%2Fscript%3E&s=' . join('', map { sprintf('%%%02X', ord) } split //, $long));
    my ($head, $body) = split /\r\n\r\n/, $new->[0]{data}, 2;
    unlike($head, qr/[^\x00-\x7f]/, 'headers are ASCII');
    ok(!grep({ length > 78 } split /\r\n/, $head), 'in lines of at most 78 characters');
    my %field = map { /^([\w-]+): (.*)$/s ? (lc $1 => $2) : () } split /\r\n(?! )/, $head;
    is(Encode::decode('MIME-Header', $field{subject}), Encode::decode('UTF-8', $long), 'the subject decodes to what was typed');
    is(Encode::decode('MIME-Header', $field{from}), "Ren\x{e9}e \"R\" Roe <a\@example.com>", 'so does the sender');
    like($head, qr{^Content-Type: text/html; charset=utf-8\r$}m, 'the HTML part names its charset');
    is($body, "<p>&lt;script&gt;x&lt;/script&gt; \xE2\x82\xAC</p>\r\n", 'and shows the values escaped');
};

subtest 'attachments' => sub {
    my $docs = "docs=>[ $body_doc, [content=>'text/plain', enc=>'7bit', type=>'FILE', source=>\"\$cgipath/templates/notes.txt\", binmode=>0, template=>0],"
        . " [content=>'application/octet-stream', enc=>'base64', type=>'FILE', source=>'$dir/data/blob.bin', binmode=>1, template=>0],"
        . " [content=>'image/gif', enc=>'base64', type=>'FILE', source=>\$FORM{'pic'}[0], binmode=>1, template=>0] ]";
    my $gif  = "GIF89a\0\x01\x02\xFF\r\n\x00end";
    my $form = "--B\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\nBo\r\n"
        . "--B\r\nContent-Disposition: form-data; name=\"pic\"; filename=\"C:\\tmp\\dot.gif\"\r\nContent-Type: image/gif\r\n\r\n$gif\r\n--B--\r\n";
    my $before = scalar @{ sink_messages($maildir) };
    my ($out) = run_cgi(dir => $dir, script => mail_script("from=>'a\@example.com', to=>'b\@example.com', subject=>'files', $docs"),
        stdin => $form, env => { CONTENT_TYPE => 'multipart/form-data; boundary=B', TMPDIR => $dir });
    like($out, qr/sent$/, 'sent');
    my $m = sink_messages($maildir)->[$before];
    my ($boundary) = $m->{data} =~ /Content-Type: multipart\/mixed; boundary="([^"]+)"/;
    ok($boundary, 'multipart message');
    my $body = (split /\r\n\r\n/, $m->{data}, 2)[1];
    my @parts = split /(?:^|\r\n)--\Q$boundary\E(?:--)?\r\n/, $body;
    shift @parts;    # the preamble
    is(scalar @parts, 4, 'one part per document');
    like($parts[0], qr/Content-Type: text\/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\nName: Bo/, 'body first');
    unlike($parts[0], qr/Content-Disposition/, 'body is not an attachment');
    like($parts[1], qr/Content-Transfer-Encoding: 7bit\r\nContent-Disposition: attachment; filename="notes\.txt"\r\n\r\nplain attachment\r\n$/, 'text attachment');
    my ($b64) = $parts[2] =~ /filename="blob\.bin"\r\n\r\n(.*)$/s;
    is(decode_base64($b64), $binary, 'binary file survives base64');
    ok(!grep({ length > 78 } split /\r\n/, $b64), 'base64 lines are short');
    ($b64) = $parts[3] =~ /Content-Type: image\/gif.*filename="dot\.gif"\r\n\r\n(.*)$/s;
    is(decode_base64($b64), $gif, 'an upload attached from its form field');
    opendir(my $dh, $dir);
    is(scalar(grep {/^CGItemp/} readdir $dh), 0, 'upload file removed after the request');
};

subtest 'header injection is refused with nothing sent' => sub {
    my @cases = (
        ["subject=>\"\$FORM{'s'}[0]\"", 's=Hi%0D%0ABcc%3A+victim%40evil.com', 'subject'],
        ["subject=>'x', sender=>\"\$FORM{'s'}[0]\"", 's=Ann%0ABcc%3A+victim%40evil.com', 'sender'],
        ["subject=>'x', to=>\"\$FORM{'s'}[0]\"", 's=b%40example.com%0D%0ABcc%3A+victim%40evil.com', 'recipient with a line break'],
        ["subject=>'x', cc=>\"\$FORM{'s'}[0]\"", 's=x%40example.com%3E%2C%3Cvictim%40evil.com', 'address with angle brackets'],
        ["subject=>'x', to=>\"\$FORM{'s'}[0]\"", 's=-oQ%2Ftmp%40example.com', 'address that looks like an option'],
    );
    for my $case (@cases) {
        my ($args, $stdin, $what) = @$case;
        my $to = $args =~ /to=>/ ? '' : "to=>'b\@example.com', ";
        my ($out, $new) = send_form("from=>'a\@example.com', $to$args", $stdin);
        like($out, qr/Submission Error/, "$what: error page");
        is(scalar @$new, 0, "$what: nothing sent");
    }
};

sub pop_server {
    my ($log) = @_;
    my $listen = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 5, ReuseAddr => 1) or die;
    my $pid = fork();
    if ($pid == 0) {
        while (my $c = $listen->accept) {
            print $c "+OK ready\r\n";
            while (my $line = <$c>) {
                open(my $fh, '>>', $log); print $fh $line; close $fh;
                if ($line =~ /^PASS (\S+)/) { print $c ($1 eq 'right' ? "+OK in\r\n" : "-ERR denied\r\n"); }
                elsif ($line =~ /^QUIT/) { print $c "+OK bye\r\n"; last }
                else { print $c "+OK\r\n" }
            }
            close $c;
        }
        exit 0;
    }
    return ($pid, $listen->sockport);
}

subtest 'POP before SMTP' => sub {
    my ($pid, $pop) = pop_server("$dir/pop.log");
    my $args = "pop=>\"127.0.0.1:$pop\", user=>\"ann\", pass=>\"%s\", from=>'a\@example.com', to=>'b\@example.com', subject=>'pop'";
    my ($out, $new) = send_form(sprintf($args, 'right'), '');
    like($out, qr/sent$/, 'accepted log-in');
    is(scalar @$new, 1, 'message sent');
    is(read_file("$dir/pop.log"), "USER ann\r\nPASS right\r\nQUIT\r\n", 'USER, PASS, QUIT');
    ($out, $new) = send_form(sprintf($args, 'wrong'), '');
    like($out, qr/Submission Error.*check the POP user name and password of the Send Email action/s, 'refused log-in');
    is(scalar @$new, 0, 'nothing sent');
    ($out, $new) = send_form("pop=>\"\", user=>\"\", pass=>\"\", from=>'a\@example.com', to=>'b\@example.com'", '');
    is(scalar @$new, 1, 'an empty POP server means no log-in');
    kill 'TERM', $pid;
    waitpid($pid, 0);
};

subtest 'encrypted log-in on the submission port' => sub {
    my $certs = "$dir/certs";
    mkdir "$dir/$_" for qw(submission smtps);
    my ($starttls, $submission) = start_smtp_sink("$dir/submission", '--tls', $certs, '--login', 'ann:right');
    my ($implicit, $smtps) = start_smtp_sink("$dir/smtps", '--tls', $certs, '--implicit', '--login', 'ann:right');
    my %trust = (SSL_CERT_FILE => "$certs/cert.pem");
    my $login = sub {
        my ($port, $pass, %opt) = @_;
        my $box = $port == $smtps ? "$dir/smtps" : "$dir/submission";
        my $before = scalar @{ sink_messages($box) };
        my $script = cgi_script($dir, "ParseForm();\n\$Sendmail::IMPLICIT_TLS_PORT = $smtps;\n"
                . "sendmail(mailhost=>'127.0.0.1:$port', pop=>\"\", user=>\"ann\", pass=>\"$pass\", "
                . "from=>'a\@example.com', to=>'b\@example.com', subject=>'login');\nprint \"Content-type: text/plain\\n\\nsent\";\n");
        my ($out, $err) = run_cgi(dir => $dir, script => $script, env => $opt{env} || \%trust);
        return ($out, scalar(@{ sink_messages($box) }) - $before, $err);
    };
    for my $case ([$submission, 'STARTTLS'], [$smtps, 'TLS from the start']) {
        my ($out, $sent) = $login->($case->[0], 'right');
        like($out, qr/sent$/, "$case->[1]: sent") or diag $out;
        is($sent, 1, "$case->[1]: the message arrived");
    }
    my ($out, $sent) = $login->($submission, 'wrong');
    like($out, qr/refused the log-in: 535.*check the POP user name and password of the Send Email action/s, 'wrong password');
    is($sent, 0, 'nothing sent with a wrong password');
    ($out, $sent) = $login->($submission, 'right', env => {});
    like($out, qr/Can not open an encrypted connection to the mail server 127\.0\.0\.1:$submission/, 'an untrusted certificate');
    is($sent, 0, 'nothing sent to an untrusted server');

    mkdir "$dir/nossl";
    mkdir "$dir/nossl/IO";
    mkdir "$dir/nossl/IO/Socket";
    write_file("$dir/nossl/IO/Socket/SSL.pm", "die \"Can't locate IO/Socket/SSL.pm\\n\";\n");
    ($out, $sent, my $err) = $login->($submission, 'right', env => { %trust, PERL5LIB => "$dir/nossl" });
    like($out, qr/needs the Perl module IO::Socket::SSL, which this server does not have/, 'missing module: error page');
    like($err, qr/error \w+: Sending mail through .* needs the Perl module IO::Socket::SSL/, 'missing module: a line for the server log');
    is($sent, 0, 'nothing sent without the module');
    stop_server($_) for $starttls, $implicit;
};

subtest 'mail program without a shell' => sub {
    my $prog = write_file("$dir/fake-sendmail", "#!$^X\nopen(my \$f, '>', '$dir/prog.out');\nprint \$f join('|', \@ARGV), \"\\n\";\nprint \$f <STDIN>;\n");
    chmod 0755, $prog;
    my $script = cgi_script($dir, "ParseForm();\nsendmail(mailcmd=>'$prog', from=>'a\@example.com', to=>\"\$FORM{'to'}[0]\", "
            . "subject=>\"\$FORM{'s'}[0]\", docs=>[$body_doc]);\nprint \"Content-type: text/plain\\n\\nsent\";\n");
    my ($out) = run_cgi(dir => $dir, script => $script, stdin => 'to=b%40example.com&s=%24%28touch+' . $dir . '%2Fowned%29%60id%60&name=Cy');
    like($out, qr/sent$/, 'sent');
    my $got = read_file("$dir/prog.out");
    like($got, qr/^-oi\|--\|b\@example\.com\n/, 'recipients as arguments after --');
    like($got, qr/^Subject: \$\(touch .*\)`id`$/m, 'shell text passed as data');
    like($got, qr/\nName: Cy\n/, 'local line ends');
    ok(!-e "$dir/owned", 'no shell ran');
    ($out) = run_cgi(dir => $dir, script => $script, stdin => 'to=b%40example.com%3Btouch+' . $dir . '%2Fowned2');
    like($out, qr/Submission Error/, 'a recipient list with a command is refused');
    ok(!-e "$dir/owned2", 'nothing ran');
};

subtest 'bulk list, shorthand and failures' => sub {
    write_file("$dir/data/list.txt", "one\@example.com,Ann\nbad address,x\n\ntwo\@example.com\n");
    my ($out, $new) = send_form("from=>'a\@example.com', to=>'', subject=>'news', listsrc=>\"\$cgipath/data/list.txt\", docs=>[$body_doc]", 'name=Di');
    is_deeply([map { $_->{to} } @$new], [['one@example.com'], ['two@example.com']], 'one copy per listed recipient');
    my $script = cgi_script($dir, "ParseForm();\nSendMail('m', 'Me', 'a\@example.com', 'b\@example.com', '', 'short', \"\$cgipath/templates/body.txt\", '127.0.0.1:$port', '', '', '');\nprint \"Content-type: text/plain\\n\\nsent\";\n");
    ($out, $new) = send_form('', 'name=Ed', script => $script);
    like($new->[0]{data}, qr/Subject: short\r\n.*Name: Ed/s, 'SendMail shorthand');
    my $closed = free_port();
    $script = cgi_script($dir, "ParseForm();\nsendmail(mailhost=>'127.0.0.1:$closed', from=>'a\@example.com', to=>'b\@example.com');\n");
    ($out) = run_cgi(dir => $dir, script => $script, stdin => '');
    like($out, qr/Can not connect to mail server 127\.0\.0\.1:$closed\. Please make sure/, 'no server');
    ($out) = run_cgi(dir => $dir, script => mail_script("from=>'a\@example.com', to=>'', subject=>'x'"), stdin => '');
    like($out, qr/Please fill out the To field/, 'no recipient');
    ($out, $new) = send_form("from=>'a\@example.com', to=>'b\@example.com', subject=>'default'", 'x=1&y=%3Cz%3E');
    like($new->[0]{data}, qr/\r\n\r\nx: 1\r\ny: <z>\r\n/, 'no documents: the listing of the received fields');
};

done_testing;
