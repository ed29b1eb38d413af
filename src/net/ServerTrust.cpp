#include "net/ServerTrust.h"

#include "project/Messages.h"
#include "project/ProjectFile.h"
#include "project/Prompter.h"
#include "project/ServerSettings.h"

#include <filesystem>
#include <sstream>

namespace quillet {

namespace {

// "server fingerprint" lines.
std::string Lines()
{
    return ReadWholeFile(TrustedCertificatesPath()).value_or("");
}

} // namespace

std::string TrustedCertificatesPath()
{
    return (std::filesystem::path(PreferencesPath()).parent_path() / "trusted-certificates").string();
}

std::optional<std::string> TrustedFingerprint(const std::string& server)
{
    std::istringstream in(Lines());
    for (std::string name, fingerprint; in >> name >> fingerprint;)
        if (name == server)
            return fingerprint;
    return std::nullopt;
}

bool RememberCertificate(const std::string& server, const CertificateInfo& info)
{
    if (server.find_first_of(" \t\r\n") != std::string::npos || info.fingerprint.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(TrustedCertificatesPath()).parent_path(), ec);
    return WriteFileAtomically(TrustedCertificatesPath(), Lines() + server + " " + info.fingerprint + "\n");
}

bool CheckCertificate(const std::string& server, const CertificateInfo& info, Prompter& prompter)
{
    if (info.verified)
        return true;
    std::optional<std::string> trusted = TrustedFingerprint(server);
    if (trusted && *trusted == info.fingerprint)
        return true;
    if (trusted) {
        prompter.Show(FormatMessage(Msg::CertificateChanged,
                                    {server, info.fingerprint, *trusted, server, TrustedCertificatesPath()}));
        return false;
    }
    if (!prompter.AskYesNo(FormatMessage(Msg::CertificateUntrusted, {server, info.problem, info.subject, info.issuer,
                                                                     info.validUntil, info.fingerprint, server})))
        return false;
    RememberCertificate(server, info);
    return true;
}

CertificateCheck CertificateCheckFor(Prompter& prompter)
{
    return [&prompter](const std::string& server, const CertificateInfo& info) {
        return CheckCertificate(server, info, prompter);
    };
}

} // namespace quillet
