#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

class Prompter;

// The user's OpenSSH known_hosts: $HOME/.ssh/known_hosts.
std::string KnownHostsPath();
// How known_hosts names a server: "host", or "[host]:port" off port 22.
std::string KnownHostsName(const std::string& host, const std::string& port);
// The key type a host key names itself with ("ssh-ed25519").
std::string HostKeyType(std::string_view rawKey);
// As OpenSSH shows it: "SHA256:" and the unpadded base64 of the key's SHA-256.
std::string HostKeyFingerprint(std::string_view rawKey);
// Appends one line for the key, never rewriting what the file holds.
bool AddKnownHost(const std::string& path, const std::string& name, std::string_view rawKey);

enum class HostKeyMatch { Known, Changed, Unknown };
// Whether to go on with a server that showed this key: a known key passes; a
// changed one is refused with a message; an unknown one is shown and asked
// about, and remembered in known_hosts when the user accepts it.
bool AcceptHostKey(const std::string& name, HostKeyMatch match, std::string_view rawKey, Prompter& prompter);

// The SSH key the user chose for logging in as user on server, kept beside
// the preferences rather than in the project, which may travel.
std::string SshKeysPath();
std::optional<std::string> SshKeyFor(const std::string& user, const std::string& server);
// An empty keyFile forgets the choice.
bool RememberSshKey(const std::string& user, const std::string& server, const std::string& keyFile);

} // namespace quillet
