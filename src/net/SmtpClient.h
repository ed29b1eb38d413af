#pragma once

#include "net/TlsChannel.h"

#include <string>
#include <string_view>

namespace quillet {

// One plain-text message to one recipient.
struct SmtpMail {
    std::string firstName;
    std::string secondName; // empty when absent
    std::string from;
    std::string to;
    std::string subject;
    std::string body; // LF or CR LF line ends
};

// Every way a send can end; the closed set the callers report from.
enum class SmtpStatus {
    Sent,
    BadAddress,         // an address is empty or holds CR, LF, "<" or ">"
    NoConnection,       // the server could not be reached
    GreetingRefused,    // the greeting was not 220, 250 or 354
    HeloRefused,        // HELO answered with anything but 220, 250 or 354
    SenderRefused,      // MAIL FROM not answered with 2xx
    RecipientRefused,   // RCPT TO not answered with 2xx
    DataRefused,        // DATA not answered with 354
    MessageRefused,     // the message's final "." not answered with 2xx
    SendFailed,         // the connection broke while sending
    NoEncryption,       // a log-in was asked for, but the server offers no STARTTLS
    TlsFailed,          // the TLS handshake failed
    CertificateRefused, // the certificate was not accepted; nothing was sent
    AuthUnavailable,    // the server offers neither AUTH PLAIN nor AUTH LOGIN
    AuthRefused,        // the user name or password was refused
};

// A log-in on the submission port. The password only goes over TLS: STARTTLS
// (RFC 3207) or, with implicitTls, TLS from the first byte (RFC 8314).
struct SmtpLogin {
    std::string user;
    std::string password;
    bool implicitTls = false;
    CertificateCheck checkCertificate;
};

struct SmtpResult {
    SmtpStatus status = SmtpStatus::NoConnection;
    std::string reply; // the reply that decided: the refusal, or the acceptance of the message
};

// Sends mail through server ("host" or "host:port", default port 25) with the
// dialogue greeting, HELO, MAIL FROM, RCPT TO, DATA, message, QUIT. Every reply
// is checked; QUIT's reply does not change the outcome. With a login, EHLO,
// encryption and AUTH PLAIN or LOGIN (RFC 4954) come before MAIL FROM.
SmtpResult SmtpSend(const SmtpMail& mail, const std::string& server, const SmtpLogin* login = nullptr);
// SmtpSend for callers that only need 1 (sent) or 0 (not sent).
int SmtpSendMail(const SmtpMail& mail, const std::string& server);

// What goes after DATA: the From, Reply-To and Subject lines, an empty line,
// the body with CR LF line ends and dot-stuffed (RFC 5321 4.5.2), and the
// closing ".".
std::string SmtpMessageData(const SmtpMail& mail);

std::string_view SmtpStatusText(SmtpStatus status);

} // namespace quillet
