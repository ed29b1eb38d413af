#pragma once

#include "net/TlsChannel.h"

#include <optional>
#include <string>

namespace quillet {

class Prompter;

// Certificates the user chose to trust although no authority signed them,
// one per server ("host:port"), kept beside the preferences.
std::string TrustedCertificatesPath();
std::optional<std::string> TrustedFingerprint(const std::string& server);
bool RememberCertificate(const std::string& server, const CertificateInfo& info);

// Whether a password may go to server over this TLS session: a certificate
// the system trusts passes; otherwise it must be the one the user trusted for
// that server, and an unknown one is shown and asked about once. A changed
// certificate is refused with a message.
bool CheckCertificate(const std::string& server, const CertificateInfo& info, Prompter& prompter);
CertificateCheck CertificateCheckFor(Prompter& prompter);

} // namespace quillet
