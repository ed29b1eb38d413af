#include "project/Messages.h"

#include <array>

namespace quillet {

namespace {

constexpr std::array kTexts = {
    // Project document and file
    "Can't Open File \"%s\"!",
    "Can't read bad project file %s",
    "Line %s: expected %s",
    "Line %s: %s",
    "an entry, not a blank line",
    "a line end of CR LF or LF, not CR CR LF",
    "the end of the file",
    "a whole number after %s",
    "a count of 0 or more after %s",
    "the line \"0 0\" after %s",
    "the end of the %s value after %s characters",
    "an action type from 0 to 12",
    "at most %s nested action lists",
    "NAME:DBI:DRIVER:DATABASE after \"DSN=\"",
    "host=, port=, user= or pass= in \"DSN=\"",
    "a port from 0 to 65535 after \"port=\"",
    "Can't create file %s",
    "Save project file %s?",
    "Save the changes to these files?\r\n%s",
    "\"%s\" is a variable the generated script uses itself. Please choose another action name.",
    "Action name \"%s\" is also the name of a data source. Please choose another action name.",
    "Data source name \"%s\" must start with a letter and hold only letters, digits and \"_\": it becomes a "
    "variable of the generated script.",
    "\"%s\" is a variable the generated script uses itself. Please choose another data source name.",
    "The %s of a data source can't hold \";\": the project file separates the connection settings with it. "
    "Please leave it out.",
    "The port must be a number from 0 to 65535; 0 uses the driver's default port.",
    "%s exists already; a new project never replaces a file.",

    // Networking: SMTP and DNS
    "Can't find a DNS server for %s,\r\n Please enter it manually",
    "Enter the Home Page URL of your Web site before looking up its DNS servers.",

    // Server identity and test mail
    "The certificate of %s is not signed by an authority this computer trusts (%s).\r\n\r\nSubject: %s\r\nIssuer: "
    "%s\r\nValid until: %s\r\nSHA-256 fingerprint: %s\r\n\r\nCompare the fingerprint with the one your host gives "
    "you. Trust this certificate for %s from now on?",
    "The certificate of %s is not the one you chose to trust, so nothing was sent: another computer may be posing as "
    "your server.\r\nSHA-256 fingerprint now: %s\r\nTrusted before: %s\r\nIf your host has renewed the "
    "certificate, delete the line of %s in %s and connect again.",
    "The FTP server %s offers no encryption (AUTH TLS), so nothing was sent. Ask your host for FTPS or SFTP, or "
    "choose \"Using FTP\" if the password may travel unencrypted.",
    "The server %s is not known to this computer yet. Its %s host key has the fingerprint\r\n%s\r\n\r\nCompare it "
    "with the one your host gives you. Connect, and remember the key?",
    "The host key of %s has changed: the server now shows a %s key with the fingerprint %s, which is not the one "
    "recorded in %s. Another computer may be posing as your server, so nothing was sent. If your host has changed "
    "its key, remove the old one with \"ssh-keygen -R %s\" and connect again.",
    "Enter the SMTP server in \"SMTP Server or Sendmail Path:\" before sending a test mail.",
    "This action hands its mail to the mail program %s on the web server, which cannot be run from here. \"Check "
    "Server\" on the Web tab tells whether the program is there.",
    "A test mail needs a plain e-mail address in \"Sender's E-mail Address:\" or \"Recipients' E-mail "
    "Addresses:\"; an address taken from the form is only known when the script runs.",
    "Can not log in to the POP server %s. Please check the POP user name and password of the Send Email action.",
    "This message was sent by Quillet through the mail settings of a Send Email action, to show that the mail server "
    "%s accepts them.\n",
    "The mail server %s accepted the test message to %s.\r\n\r\nServer reply: %s",
    "The test message was not sent: %s (%s).\r\n\r\nServer reply: %s",
    "The mail server %s refused the log-in.\r\n\r\nServer reply: %s\r\n\r\nPlease check the POP User Name and POP "
    "Password of the Send Email action: without a POP server they are the log-in of the SMTP server.",

    // HTML pages and form discovery
    "Can't find file %s",
    "%s lies outside the project's folder %s, and a build writes only inside it. Please move the page into the "
    "project's folder.",
    "%s can't be used: a page, template or project must be an ordinary file of at most 64 MB.",
    "File changed!\r\nReload?\r\n",
    "\"%s\" is already used",
    "There is no form in %s",
    "The submit button \"%s\" of form %s has no name, so no actions can run when it is pressed; name it, "
    "for example NAME=\"%s\".",
    "The submit button \"%s\" has no name, so no actions can run when it is pressed.\r\nName it \"%s\"?",
    "Form %s in %s has no submit button with a name, so no actions could run for it.",

    // Script generator
    "Server-side CGIBIN directory is not specified. \r\nPlease set it in the 'Web' tab.",
    "Your script has been created for you.\r\nPublish it to your server now?\r\n",
    "You can't use this command unless you have an HTML form loaded in the 'Form' tab.",
    "There is no form named \"%s\" in %s; the forms there are %s.",
    "No submit button of form %s in %s is named \"%s\", so the actions defined for it would never run.",
    "The action \"%s\" uses the data source \"%s\", which the project does not have.",
    "The action \"%s\" would change every row of %s; add a criterion.",
    "The action \"%s\" changes %s in one statement, which the %s driver cannot run; use one action per table.",
    "The generated script does not compile:\r\n%s",
    "The action \"%s\" does not compile:\r\n%s",

    // Publishing, remote files and database administration
    "\r\nPlease check the IP address, user name and password used in the 'Web' tab as well as your connection to "
    "the Internet.",
    "Can't Upload File '%s' to '%s'\r\nError Code: %lu",
    "Can't set file permission for remote file %s",
    "Can't delete file \"%s\" \r\nThe reason may be one of the followings:\r\n1)The file or folder no longer "
    "exists\r\n2)The folder is not empty.\r\n3)The file or folder is being used by another process. \r\n ",
    "File name must contain only alphanumeric characters",
    "Invalid URL, please check CGIBIN URL and server-side path in the Web tab",
    "Can't open %s.\r\nError Message: %s",
    "DBAdmin Error:\r\n\r\n%s\r\n\r\nDelete the existing table and try again?\r\n",
    "DBAdmin Error:\r\n\r\n%s",
    "The administration script %s refused the request: it does not hold the secret this program keeps for it.\r\n"
    "Upload a fresh copy of the script and try again.",
    "Delete the administration script from the server now?\r\nIt is needed only while tables are created, and it "
    "is uploaded again next time.",
    "Can't delete the administration script %s from the server; please delete it yourself.",
    "Please enter the field name first",
    "Please enter an integer between %s and %s.",

    // Desktop application
    "Enter a DNS server in the edit area before clicking the Add button.",
    "Can't add duplicate web configuration",
    "A Web configuration name can't be empty or hold \"/\", \"\\\" or \".\".",
    "Your script has been uploaded to your server.\r\nTest your form now?\r\n",
    "There is no form in the project for you to test. \r\nYou need to open a form in the 'Form' tab.",
    "Can't start the editor %s",
    "Can't open %s",

    // Long network work: time-outs and results
    "The server %s did not answer for %d seconds; the operation was stopped.",
    "1 file sent to %s.",
    "%d files sent to %s.",
    "Publishing was stopped: %d of %d files were sent, and no file permissions were set.",
    "1 table created on %s",
    "%d tables created on %s",
    "Creating the tables was stopped.\r\nCreated: %s\r\nNot created: %s",
    "none",
    "No DNS servers were found for %s.",

    // Local preview
    "The preview needs lighttpd; install it with \"apt-get install lighttpd\".",
    "The preview server could not start on port %s: %s",
    "The project folder %s holds more than a preview copies; keep the project in a folder of its own.",

    // Action pages
    "%s has been modified! \r\nSave Changes?",
    "Please select a table in the grid below",
    "No message template file is specified! \r\nUse the default message template?",
    "No email recipient is specified!",
    "No message to post back. \r\nUse the default message?",
    "No URL is specified for redirection!",

    // Form tab, action list and field dialogs
    "Action name must contain only alphanumeric characters",
    "Please select a submit button before using this command",
    "Discard the actions defined in the current form? \r\n",
    "Don't know where to add this field. Please select a form from the 'List of Fields in Form' combo box or create a "
    "New HTML file with a form in the Form tab.",
    "The current file in the Form tab is not an HTML file. Please load a valid HTML file now.",
    "You must select an item first in order to set it as the default option!",

    // Query report designer
    "Please select a data object from the drop down list box before using this command\n",
    "Please select a query action from the drop down list box before using this command\n",
    "The report cannot be placed in this template: the template ends inside an unclosed tag, quote or comment.",

    // Server check
    "CGI: the probe could not be stored as %s. Check \"File Upload Method:\", the server's log-in and "
    "\"Server-Side Path of the CGIBIN:\" in the Web tab.",
    "CGI: no script answered at %s (%s). Check that \"CGI BIN URL:\" and \"Server-Side Path of the CGIBIN:\" in "
    "the Web tab name the same folder.",
    "CGI: the server sent the script's text back instead of running it. Change \"CGI File Extension:\" in the Web "
    "tab to one your host runs as CGI (often *.cgi or *.pl).",
    "CGI: scripts run, but not Perl at %s. Change \"File Path of PERL 5:\" in the Web tab to %s.",
    "CGI: the server runs no script in that folder (%s), not even a shell script of mode 755. Check \"Server-Side "
    "Path of the CGIBIN:\" in the Web tab, and ask your host whether CGI may run there.",
    "CGI: scripts run at %s",
    "Perl: %s at %s",
    "%s: %s",
    "%s: missing. Ask your host to install it, or use another driver for the data source.",
    "Data folder %s: writable",
    "Data folder %s: scripts cannot write there (%s). Give the \"data\" folder under \"Server-Side Path of the "
    "CGIBIN:\" (Web tab) the write permission of the web server (mode 777 where scripts run as another user).",
    "Mail program %s: found",
    "Mail program %s: %s. Change \"SMTP Server or Sendmail Path:\" of the Send Email action to the server's mail "
    "program or an SMTP server.",
    "Clock: the server is %s seconds off this computer",
    "Clock: the server is %s seconds off this computer. Ask your host to set its clock: cookies and dates of the "
    "scripts depend on it.",
};

static_assert(kTexts.size() == static_cast<size_t>(Msg::Count), "every message needs its text");

} // namespace

std::string_view MessageText(Msg id)
{
    return kTexts.at(static_cast<size_t>(id));
}

std::string FormatMessage(Msg id, std::initializer_list<std::string_view> args)
{
    std::string_view text = MessageText(id);
    std::string out;
    out.reserve(text.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        size_t conversion = i + 1;
        if (text[conversion] == '%') {
            out += '%';
            i = conversion;
            continue;
        }
        if (text[conversion] == 'l' && conversion + 1 < text.size())
            ++conversion;
        if (text[conversion] != 's' && text[conversion] != 'd' && text[conversion] != 'c' && text[conversion] != 'u') {
            out += text[i];
            continue;
        }
        if (next != args.end())
            out += *next++;
        i = conversion;
    }
    return out;
}

} // namespace quillet
