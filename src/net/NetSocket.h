#pragma once

#include "net/Cancel.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

// An owned socket descriptor, closed when the object goes away.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() { Close(); }
    Socket(Socket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int Fd() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void Close();

private:
    int m_fd = -1;
};

// A server address as the user types it: "host", "host:port", "[v6]:port" or a
// bare IPv6 literal. The port, when given, replaces the default service.
struct HostPort {
    std::string host;
    std::string service;
};
HostPort SplitHostPort(std::string_view address, std::string_view defaultService);

// Connects to host (which may carry ":port") at service, a port number or a
// service name of /etc/services. Protocol "tcp" (any case) gives a stream
// socket, anything else a datagram socket. Tries every address getaddrinfo
// gives, IPv4 and IPv6; an invalid Socket when none answers.
Socket NetConnect(const std::string& host, const std::string& service, const std::string& protocol);

// Sends every byte; false when the connection failed before that.
bool SendAll(const Socket& socket, std::string_view bytes);
// Receives exactly size bytes; false on a closed connection, an error, a peer
// silent for longer than the reply time-out, or when the bytes have not all
// come within totalMs (when given), however steadily they trickle in.
bool ReceiveExact(const Socket& socket, char* out, size_t size, int totalMs = -1);

constexpr size_t kReplyBufferSize = 1024;
// A server that accepted the connection but never answers must not hang the
// program; a reply's first byte is awaited this long.
constexpr int kReplyTimeoutMs = kStalledServerSeconds * 1000;
// Further lines of a reply are awaited this long after each chunk.
constexpr int kMoreReplyDataMs = 1000;

// Reads one reply of a line protocol (FTP, SMTP): a chunk, then further chunks
// while the final line (the reply's code and a blank) has not come, each
// awaited up to one second. Keeps at most bufferSize bytes in reply. Returns
// the number of bytes kept, or -1 when the first receive fails.
int NetReadReply(const Socket& socket, std::string& reply, size_t bufferSize = kReplyBufferSize);

// Receives up to size bytes, waiting at most timeoutMs: the count, 0 at the
// end of the stream, -1 on failure or time-out.
using ChunkReceiver = std::function<long(char* out, size_t size, int timeoutMs)>;
// NetReadReply over any stream (a TLS session).
int ReadReplyFrom(const ChunkReceiver& receive, std::string& reply, size_t bufferSize = kReplyBufferSize);

// Waits in short slices for events on fd, so that a stop request ends the wait at once.
bool WaitForSocket(int fd, short events, int timeoutMs);

// The decimal number at the start of a reply; 0 when there is none.
int ReplyCode(std::string_view reply);

// Collects the chunks of one reply and tells when its final line is complete.
// Kept apart from the socket so that it can be driven by tests and fuzzers.
class ReplyAssembler {
public:
    // Bytes kept for the final-line search; a reply beyond this is cut off.
    static constexpr size_t kMaxReply = 64 * 1024;

    void Add(std::string_view chunk);
    // True when a line starting with the first line's code and a blank ended
    // with a line feed (RFC 5321 4.2.1, RFC 959 4.2).
    bool Complete() const { return m_complete; }
    bool Full() const { return m_data.size() >= kMaxReply; }
    std::string_view Text(size_t limit) const;

private:
    void ScanLines();

    std::string m_data;
    size_t m_lineStart = 0;
    bool m_complete = false;
};

} // namespace quillet
