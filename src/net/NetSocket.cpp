#include "net/NetSocket.h"

#include "net/Cancel.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quillet {

namespace {

constexpr int kConnectTimeoutMs = 15000;
constexpr size_t kChunkSize = 1024;

// Some minimal systems ship without /etc/services; the clients must still find
// their servers there.
int WellKnownPort(const std::string& service)
{
    static constexpr std::array<std::pair<std::string_view, int>, 4> kPorts = {
        {{"ftp", 21}, {"smtp", 25}, {"domain", 53}, {"http", 80}}};
    for (const auto& [name, port] : kPorts)
        if (strcasecmp(service.c_str(), std::string(name).c_str()) == 0)
            return port;
    return 0;
}

// A port number when the service begins with digits, else the service looked up by name.
std::string ResolveService(const std::string& service, const std::string& protocol)
{
    if (!service.empty() && service[0] >= '0' && service[0] <= '9') {
        long port = 0;
        for (size_t i = 0; i < service.size() && service[i] >= '0' && service[i] <= '9' && port <= 65535; ++i)
            port = port * 10 + (service[i] - '0');
        return port > 0 && port <= 65535 ? std::to_string(port) : std::string();
    }
    if (servent* entry = getservbyname(service.c_str(), protocol.c_str()))
        return std::to_string(ntohs(static_cast<uint16_t>(entry->s_port)));
    int port = WellKnownPort(service);
    return port ? std::to_string(port) : std::string();
}

} // namespace

bool WaitForSocket(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    for (int waited = 0; waited < timeoutMs && !CancelRequested();) {
        int slice = std::min(kCancelCheckMs, timeoutMs - waited);
        int ready = poll(&p, 1, slice);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        waited += ready == 0 ? slice : 0;
    }
    return false;
}

namespace {

// A name look-up cannot be interrupted, so it runs on a thread of its own
// that a stopped caller leaves behind; the thread frees what it found.
addrinfo* LookUp(const std::string& host, const std::string& port, const addrinfo& hints)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        addrinfo* found = nullptr;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, host, port, hints] {
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
            found = nullptr;
        std::lock_guard lock(shared->mutex);
        if (shared->abandoned && found)
            freeaddrinfo(found);
        else
            shared->found = found;
        shared->finished = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock lock(shared->mutex);
    while (!shared->finished && !CancelRequested())
        shared->done.wait_for(lock, std::chrono::milliseconds(kCancelCheckMs));
    shared->abandoned = !shared->finished;
    return shared->found;
}

// Connects with a time-out, so that an unreachable host fails in seconds, not minutes.
int ConnectOne(const addrinfo& ai)
{
    int fd = socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC, ai.ai_protocol);
    if (fd < 0)
        return -1;
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = connect(fd, ai.ai_addr, ai.ai_addrlen);
    if (rc < 0 && errno == EINPROGRESS && WaitForSocket(fd, POLLOUT, kConnectTimeoutMs)) {
        int error = 0;
        socklen_t len = sizeof error;
        rc = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0 ? 0 : -1;
    }
    if (rc < 0) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, flags);
    return fd;
}

ssize_t ReceiveChunk(int fd, char* out, size_t size, int timeoutMs)
{
    if (!WaitForSocket(fd, POLLIN, timeoutMs))
        return -1;
    ssize_t n;
    do
        n = recv(fd, out, size, 0);
    while (n < 0 && errno == EINTR);
    return n;
}

} // namespace

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void Socket::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

HostPort SplitHostPort(std::string_view address, std::string_view defaultService)
{
    HostPort out{std::string(address), std::string(defaultService)};
    if (!address.empty() && address[0] == '[') {
        size_t close = address.find(']');
        if (close == std::string_view::npos)
            return out;
        out.host = std::string(address.substr(1, close - 1));
        if (close + 1 < address.size() && address[close + 1] == ':')
            out.service = std::string(address.substr(close + 2));
        return out;
    }
    size_t colon = address.find(':');
    // Two colons or more: a bare IPv6 address, which has no room for a port.
    if (colon == std::string_view::npos || address.find(':', colon + 1) != std::string_view::npos)
        return out;
    out.host = std::string(address.substr(0, colon));
    out.service = std::string(address.substr(colon + 1));
    return out;
}

Socket NetConnect(const std::string& host, const std::string& service, const std::string& protocol)
{
    HostPort target = SplitHostPort(host, service);
    std::string port = ResolveService(target.service, protocol);
    if (target.host.empty() || port.empty())
        return {};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = strcasecmp(protocol.c_str(), "tcp") == 0 ? SOCK_STREAM : SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = LookUp(target.host, port, hints);
    if (!found)
        return {};
    int fd = -1;
    for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next)
        fd = ConnectOne(*ai);
    freeaddrinfo(found);
    return Socket(fd);
}

bool SendAll(const Socket& socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a peer that closed the connection gives EPIPE, not a fatal signal.
        ssize_t n = send(socket.Fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool ReceiveExact(const Socket& socket, char* out, size_t size, int totalMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
    size_t got = 0;
    while (got < size) {
        int wait = kReplyTimeoutMs;
        if (totalMs >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::clamp<long long>(left.count(), 0, kReplyTimeoutMs));
            if (wait == 0)
                return false;
        }
        ssize_t n = ReceiveChunk(socket.Fd(), out + got, size - got, wait);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

int NetReadReply(const Socket& socket, std::string& reply, size_t bufferSize)
{
    return ReadReplyFrom(
        [&](char* out, size_t size, int timeoutMs) { return ReceiveChunk(socket.Fd(), out, size, timeoutMs); }, reply,
        bufferSize);
}

int ReadReplyFrom(const ChunkReceiver& receive, std::string& reply, size_t bufferSize)
{
    reply.clear();
    std::array<char, kChunkSize> chunk;
    long n = receive(chunk.data(), chunk.size(), kReplyTimeoutMs);
    if (n < 0)
        return -1;
    ReplyAssembler assembler;
    assembler.Add({chunk.data(), static_cast<size_t>(n)});
    while (n > 0 && !assembler.Complete() && !assembler.Full()) {
        n = receive(chunk.data(), chunk.size(), kMoreReplyDataMs);
        if (n > 0)
            assembler.Add({chunk.data(), static_cast<size_t>(n)});
    }
    reply = assembler.Text(bufferSize);
    return static_cast<int>(reply.size());
}

int ReplyCode(std::string_view reply)
{
    int code = 0;
    for (size_t i = 0; i < reply.size() && i < 9 && reply[i] >= '0' && reply[i] <= '9'; ++i)
        code = code * 10 + (reply[i] - '0');
    return code;
}

void ReplyAssembler::Add(std::string_view chunk)
{
    if (m_complete)
        return;
    size_t room = kMaxReply - m_data.size();
    m_data.append(chunk.substr(0, room));
    ScanLines();
}

void ReplyAssembler::ScanLines()
{
    if (m_data.size() < 3)
        return;
    std::string marker = m_data.substr(0, 3) + ' ';
    size_t end;
    while (!m_complete && (end = m_data.find('\n', m_lineStart)) != std::string::npos) {
        // The marker must lie within the line; a first line shorter than a code never matches.
        m_complete = end - m_lineStart >= marker.size() && m_data.compare(m_lineStart, marker.size(), marker) == 0;
        m_lineStart = end + 1;
    }
}

std::string_view ReplyAssembler::Text(size_t limit) const
{
    return std::string_view(m_data).substr(0, limit);
}

} // namespace quillet
