#!/usr/bin/perl
$cgipath='/cgi-bin';
$ftproot=GetFTPRoot($cgipath);
@nameservers = ("");
SetIncludePath($cgipath);
unshift(@INC, "$ftproot/$cgipath") if ($cgipath =~ /^\//);
eval("use ZentraCGI;");
use DBI;
#----------- Open SQLite Datasouce guestdb --------

$dsn = "DBI:SQLite:database=" . FTP2System("$cgipath/data/guestbook.db") . "";
$guestdb = DBI->connect($dsn, "", "");

#----------- End Datasouce --------

$scripturl="http://$ENV{'SERVER_NAME'}$ENV{'SCRIPT_NAME'}";
$m_pos=rindex($scripturl, "/");
$cgiurl=substr($scripturl, 0, $m_pos);
$cgipath='/cgi-bin';
$ftproot=GetFTPRoot($cgipath);
$cgipath=FTP2System($cgipath);
$WWW_APPNAME="Quillet";
read_urlencoded($ENV{'QUERY_STRING'});
if (!defined($FORM{'page'}) || !defined($FORM{'form'})) {
  $_str_valid="";
  %_str_sel_state=('topic' =>['praise', 'question', 'other', ],
      );
  %_str_chk_state=('visit' => ['first', 'again', ],
'news' => ['yes', ],
      );
  ParseForm();
  if (defined($FORM{'Sign'}))
  {
    GuardChange('Sign', 'http://127.0.0.1:8080');
    ValidateForm($_str_valid);
  %Action1 = {};
  $Action1->{nrows} = $guestdb->do("INSERT INTO entries (name ,email ,message) VALUES (" . $guestdb->quote($FORM{'name'}[0]) . " ," . $guestdb->quote($FORM{'email'}[0]) . " ," . $guestdb->quote($FORM{'message'}[0]) . ")");
  PostUrl("Action2", 1, "$cgipath/templates/thanks.html", "");
  }
  if (defined($FORM{'Show'}))
  {
    ValidateForm($_str_valid);
  %Entries = {};
  $Entries->{sth} = $guestdb->prepare("SELECT entries.name ,entries.email ,entries.message FROM entries");
  $Entries->{nrows} = $Entries->{sth}->execute;
  PrintRows($Entries, 10);
  PostUrl("Action2", 1, "$cgipath/templates/entries.html", "");
  }
}
Info();
#----------- Close SQLite Datasouce guestdb --------

$guestdb->disconnect();
#----------- End Close Datasouce --------

CleanUp();
