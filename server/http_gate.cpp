#include "http_gate.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vantor::server {

using Clock = std::chrono::steady_clock;

struct GateConnection {
    int fd = -1;
    std::string buf;   // read but not yet handled
    size_t pos = 0;    // how much of buf the current request has used
    size_t requests = 0;
    bool started = false;  // some of the next head has arrived
    bool closing = false;  // refused: reading what is still coming before the close
    Clock::time_point deadline;
    uint64_t id = 0;  // what epoll reports, so a connection closed meanwhile is not looked at
    std::list<std::unique_ptr<GateConnection>>::iterator at;
};

namespace {

// Runs each accepted socket's task at once on the accepting thread: it only hands the socket over.
class HandOver : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

const char *Reason(int status)
{
    switch (status) {
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    default: return "Request Header Fields Too Large";
    }
}

int Millis(Clock::duration d)
{
    return static_cast<int>(std::clamp<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count(), 0, 1000000));
}

bool PeerName(int fd, bool peer, std::string &ip, int &port)
{
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    const int rc = peer ? getpeername(fd, reinterpret_cast<sockaddr *>(&a), &len)
                        : getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    char host[NI_MAXHOST], serv[NI_MAXSERV];
    if (rc != 0 || getnameinfo(reinterpret_cast<sockaddr *>(&a), len, host, sizeof host, serv, sizeof serv,
                               NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return false;
    ip = host;
    port = std::atoi(serv);
    return true;
}

// The announced body length, or 0.
size_t ContentLength(const std::string &head)
{
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const size_t at = lower.find("\ncontent-length:");
    if (at == std::string::npos)
        return 0;
    const char *p = lower.c_str() + at + 16;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p < '0' || *p > '9')
        return 0;
    return static_cast<size_t>(std::strtoull(p, nullptr, 10));  // saturates on absurd lengths
}

// One request's reads and writes: first what the gate already read, then the socket, with
// deadlines, and a watch on the send queue so a client that stops taking data is let go.
class GateStream : public httplib::Stream {
public:
    GateStream(GateConnection &c, const ConnectionLimits &limits, const std::atomic<bool> &halting)
        : c_(c), limits_(limits), halting_(halting), readDeadline_(Clock::now() + limits.headTimeout),
          lastProgress_(Clock::now())
    {
    }

    bool is_readable() const override { return c_.pos < c_.buf.size() || Wait(POLLIN, limits_.ioTimeout); }
    bool is_writable() const override { return const_cast<GateStream *>(this)->WaitWritable(); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (c_.pos >= c_.buf.size()) {
            c_.buf.clear();
            c_.pos = 0;
            if (!Wait(POLLIN, std::min<Clock::duration>(limits_.ioTimeout, readDeadline_ - Clock::now())))
                return -1;
            char tmp[4096];
            const ssize_t n = recv(c_.fd, tmp, sizeof tmp, 0);
            if (n <= 0)
                return n;
            c_.buf.assign(tmp, static_cast<size_t>(n));
        }
        const size_t n = std::min(size, c_.buf.size() - c_.pos);
        std::memcpy(ptr, c_.buf.data() + c_.pos, n);
        c_.pos += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        size_t done = 0;
        while (done < size) {
            if (!WaitWritable())
                return -1;
            const ssize_t n = send(c_.fd, ptr + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return -1;
            if (n > 0) {
                done += static_cast<size_t>(n);
                written_ += static_cast<size_t>(n);
            }
        }
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override { PeerName(c_.fd, true, ip, port); }
    void get_local_ip_and_port(std::string &ip, int &port) const override { PeerName(c_.fd, false, ip, port); }
    socket_t socket() const override { return c_.fd; }

private:
    bool Wait(short events, Clock::duration d) const
    {
        pollfd p{c_.fd, events, 0};
        return poll(&p, 1, Millis(d)) > 0 && !(p.revents & (POLLERR | POLLNVAL));
    }

    size_t Unsent() const
    {
        int n = 0;
        return ioctl(c_.fd, SIOCOUTQ, &n) == 0 && n > 0 ? static_cast<size_t>(n) : 0;
    }

    // True once the socket takes more; false when the client has taken nothing for too long.
    bool WaitWritable()
    {
        const auto end = Clock::now() + limits_.ioTimeout;
        while (!halting_) {
            const size_t unsent = Unsent();
            const size_t taken = written_ - std::min(written_, unsent);
            const auto now = Clock::now();
            if (unsent == 0 || taken != taken_) {
                taken_ = taken;
                lastProgress_ = now;
            } else if (now - lastProgress_ >= limits_.stallAfter) {
                return false;
            }
            if (now >= end)
                return false;
            if (unsent <= limits_.maxUnsent && Wait(POLLOUT, std::chrono::milliseconds(50)))
                return true;
            if (unsent > limits_.maxUnsent)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    GateConnection &c_;
    const ConnectionLimits &limits_;
    const std::atomic<bool> &halting_;
    Clock::time_point readDeadline_;
    size_t written_ = 0, taken_ = 0;
    Clock::time_point lastProgress_;
};

}  // namespace

GatedHttpServer::GatedHttpServer(ConnectionLimits limits)
    : limits_(limits)
{
    new_task_queue = [] { return new HandOver; };
    set_payload_max_length(limits_.maxBody);
}

GatedHttpServer::~GatedHttpServer()
{
    Shutdown();
}

bool GatedHttpServer::Serve()
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || gate_.joinable())
            return false;
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (epoll_ < 0 || wake_ < 0)
            return false;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = 0;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev);
        gate_ = std::thread([this] { GateLoop(); });
        for (size_t i = 0; i < limits_.workers; ++i)
            workers_.emplace_back([this] { WorkerLoop(); });
    }
    return listen_after_bind();
}

void GatedHttpServer::Shutdown()
{
    std::lock_guard once(shutdownMutex_);  // the signal thread and the serving thread may both end it
    stop();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    if (wake_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    }
    if (gate_.joinable())
        gate_.join();
    for (auto &w : workers_)
        w.join();
    workers_.clear();
    std::lock_guard lock(mutex_);
    while (!waiting_.empty())
        Close(waiting_.front().get());
    for (auto &c : heads_)
        ::close(c->fd);
    heads_.clear();
    for (int *fd : {&epoll_, &wake_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

size_t GatedHttpServer::OpenConnections() const
{
    std::lock_guard lock(mutex_);
    return waiting_.size() + heads_.size() + busy_;
}

bool GatedHttpServer::process_and_close_socket(socket_t sock)
{
    auto c = std::make_unique<GateConnection>();
    c->fd = sock;
    fcntl(sock, F_SETFL, fcntl(sock, F_GETFL) | O_NONBLOCK);
    Admit(std::move(c));
    return true;
}

void GatedHttpServer::Admit(Conn c)
{
    std::lock_guard lock(mutex_);
    if (stopping_) {
        ::close(c->fd);
        return;
    }
    if (waiting_.size() + heads_.size() + busy_ >= limits_.maxConnections) {
        if (waiting_.empty()) {
            ::close(c->fd);  // every connection is being answered; this one must try again
            return;
        }
        Close(waiting_.front().get());  // the longest-waiting one makes room
    }
    Park(std::move(c));
}

void GatedHttpServer::Park(Conn c)
{
    c->buf.erase(0, c->pos);
    c->pos = 0;
    c->started = !c->buf.empty();
    c->deadline = Clock::now() + (c->started ? limits_.headTimeout : limits_.idleTimeout);
    GateConnection *raw = c.get();
    waiting_.push_back(std::move(c));
    raw->at = std::prev(waiting_.end());
    raw->id = ++lastId_;
    byId_[raw->id] = raw;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP;
    ev.data.u64 = raw->id;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, raw->fd, &ev);
    if (raw->started && !ReadHead(*raw))  // a pipelined request may already be complete
        Close(raw);
}

void GatedHttpServer::Close(GateConnection *c)
{
    epoll_ctl(epoll_, EPOLL_CTL_DEL, c->fd, nullptr);
    byId_.erase(c->id);
    ::close(c->fd);
    waiting_.erase(c->at);
}

void GatedHttpServer::Refuse(GateConnection &c, int status, const char *text)
{
    const std::string body = std::string(text) + "\n";
    const std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
                              "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body;
    [[maybe_unused]] auto n = send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // Reading on briefly, so that closing with unread data does not reset the reply away.
    shutdown(c.fd, SHUT_WR);
    c.closing = true;
    c.buf.clear();
    c.deadline = Clock::now() + std::chrono::seconds(1);
}

bool GatedHttpServer::ReadHead(GateConnection &c)
{
    char tmp[4096];
    for (;;) {
        const size_t room = c.closing ? sizeof tmp : std::min(sizeof tmp, limits_.maxHead + 1 - c.buf.size());
        if (room == 0)
            break;
        const ssize_t n = recv(c.fd, tmp, room, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return false;
        if (n < 0)
            break;
        if (!c.closing)
            c.buf.append(tmp, static_cast<size_t>(n));
        if (!c.started && n > 0) {
            c.started = true;
            c.deadline = Clock::now() + limits_.headTimeout;
        }
    }
    if (c.closing)
        return true;
    const size_t line = c.buf.find('\n');
    if ((line == std::string::npos ? c.buf.size() : line) > limits_.maxRequestLine) {
        Refuse(c, 414, "request line too long");
        return true;
    }
    size_t end = c.buf.find("\r\n\r\n");
    end = end != std::string::npos ? end + 4 : c.buf.find("\n\n");
    if (end == std::string::npos) {
        if (c.buf.size() > limits_.maxHead)
            Refuse(c, 431, "request head too large");
        return true;
    }
    if (ContentLength(c.buf.substr(0, end)) > limits_.maxBody) {
        Refuse(c, 413, "request body too large");
        return true;
    }
    epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
    byId_.erase(c.id);
    heads_.push_back(std::move(*c.at));
    waiting_.erase(c.at);
    ready_.notify_one();
    return true;
}

void GatedHttpServer::Sweep()
{
    const auto now = Clock::now();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        GateConnection *c = (it++)->get();
        if (now < c->deadline)
            continue;
        if (c->started && !c->closing) {
            Refuse(*c, 408, "request head not complete in time");
            continue;
        }
        Close(c);
    }
}

void GatedHttpServer::GateLoop()
{
    epoll_event events[64];
    while (!stopping_) {
        const int n = epoll_wait(epoll_, events, 64, 100);
        std::lock_guard lock(mutex_);
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u64 == 0) {
                uint64_t v;
                [[maybe_unused]] auto r = ::read(wake_, &v, sizeof v);
                continue;
            }
            const auto found = byId_.find(events[i].data.u64);
            if (found != byId_.end() && !ReadHead(*found->second))
                Close(found->second);
        }
        Sweep();
    }
}

void GatedHttpServer::WorkerLoop()
{
    for (;;) {
        Conn c;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !heads_.empty(); });
            if (stopping_)
                return;
            c = std::move(heads_.front());
            heads_.pop_front();
            ++busy_;
        }
        GateStream strm(*c, limits_, stopping_);
        bool closed = false;
        const bool last = ++c->requests >= limits_.keepAliveRequests;
        const bool ok = process_request(strm, last, closed, nullptr);
        std::lock_guard lock(mutex_);
        --busy_;
        if (!ok || closed || last || stopping_)
            ::close(c->fd);
        else
            Park(std::move(c));
    }
}

}  // namespace vantor::server
