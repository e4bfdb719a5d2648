// The live link's sockets: an editor serves, games connect. Every call is
// non-blocking and does what the sockets allow at that moment, so both ends
// may call it every frame. Each end first sends a hello with the link's key
// and takes nothing from a peer before its hello matched; on a Unix socket
// the key is empty and the peer must be the same user, in a folder only that
// user may enter.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "context.h"
#include "live_apply.h"
#include "live_message.h"

namespace korvid {
namespace {

struct Address {
    bool unix = false;
    std::string path;   // unix
    uint16_t port = 0;  // tcp, on 127.0.0.1
    std::string key;    // tcp
};

bool hexKey(const std::string& key) {
    if (key.size() < 16 || key.size() > kMaxLiveKey) return false;
    for (char ch : key)
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'))) return false;
    return true;
}

// Null and `out` filled, or why the address is refused. `serving`: a TCP
// port may be 0 (any free one) and the key may be left for the server to make.
const char* parseAddress(const char* text, bool serving, Address& out) {
    if (!text) return "the address is null";
    const std::string a = text;
    if (a.rfind("unix:", 0) == 0) {
        out.unix = true;
        out.path = a.substr(5);
        if (out.path.empty() || out.path[0] != '/') return "a Unix socket's path must be absolute";
        if (out.path.size() >= sizeof(sockaddr_un::sun_path)) return "the socket's path is too long";
        return nullptr;
    }
    const std::string prefix = "tcp:127.0.0.1:";
    if (a.rfind(prefix, 0) != 0) return "only unix:PATH and tcp:127.0.0.1:PORT?key=KEY links are made";
    const size_t query = a.find('?', prefix.size());
    const std::string port = a.substr(prefix.size(), query == std::string::npos ? std::string::npos : query - prefix.size());
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return "the port is not a number";
    const unsigned long number = std::stoul(port);
    if (number > 65535 || (number == 0 && !serving)) return "the port is out of range";
    out.port = uint16_t(number);
    if (query != std::string::npos) {
        const std::string rest = a.substr(query + 1);
        if (rest.rfind("key=", 0) != 0) return "the only parameter is key";
        out.key = rest.substr(4);
        if (!hexKey(out.key)) return "the key must be 16 to 64 characters 0-9 and a-f";
    } else if (!serving) {
        return "a TCP link needs the key the editor shows";
    }
    return nullptr;
}

std::string makeKey() {
    unsigned char bytes[16];
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) throw std::runtime_error("no random bytes for a key");
    static const char digits[] = "0123456789abcdef";
    std::string key;
    for (unsigned char b : bytes) {
        key += digits[b >> 4];
        key += digits[b & 15];
    }
    return key;
}

// Keys are compared without stopping at the first difference.
bool sameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t k = 0; k < a.size(); ++k) diff |= static_cast<unsigned char>(a[k] ^ b[k]);
    return diff == 0;
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

void nonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

struct Peer {
    int fd = -1;
    bool greeted = false;  // its hello matched
    LiveFrameReader in;
    std::string out;       // bytes being sent
    size_t sent = 0;
    std::string waiting;   // the newest scene, after what is being sent
    void queue(std::string frame) {
        if (sent == out.size()) {
            out = std::move(frame);
            sent = 0;
        } else {
            waiting = std::move(frame);  // an older waiting scene is never sent
        }
    }
    // Sends what the socket takes; false when the peer is gone.
    bool flush() {
        while (true) {
            if (sent == out.size()) {
                if (waiting.empty()) return true;
                out = std::move(waiting);
                waiting.clear();
                sent = 0;
            }
            const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += size_t(n);
                continue;
            }
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
        }
    }
    // Reads what has arrived; false when the peer closed or failed.
    bool receive() {
        char buffer[65536];
        while (true) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                if (!in.add(buffer, size_t(n))) return false;
                continue;
            }
            if (n == 0) return false;
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
};

enum class Role { None, Server, Client };

}  // namespace

struct LiveLink {
    Role role = Role::None;
    Address address;
    int listening = -1;
    std::vector<std::unique_ptr<Peer>> peers;
    std::string scene;  // the last published scene's frame, for games that connect later
    bool stale = false; // published while no game was connected: made when one is
    std::string shown;  // the address as the serving end shows it

    ~LiveLink() { close(); }
    void close() {
        for (auto& p : peers) ::close(p->fd);
        peers.clear();
        if (listening >= 0) {
            ::close(listening);
            if (address.unix) ::unlink(address.path.c_str());
        }
        listening = -1;
        role = Role::None;
        scene.clear();
        stale = false;
        shown.clear();
    }
    std::string hello() const { return liveFrame(LiveKind::Hello, address.unix ? "" : address.key); }
    bool helloMatches(const std::string& payload) const { return sameKey(payload, address.unix ? "" : address.key); }
};

namespace {

LiveLink& link() {
    Context& c = context();
    if (!c.live) c.live = std::shared_ptr<LiveLink>(new LiveLink());
    return *c.live;
}

bool refuse(const char* why) {
    fail(Failure::LiveLink, why);
    return false;
}

int32_t refused(const char* why) {
    fail(Failure::LiveLink, why);
    return -1;
}

// The folder of a Unix socket must be its user's alone.
const char* privateFolder(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    struct stat info{};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return "the socket's folder does not exist";
    if (info.st_uid != geteuid() || (info.st_mode & 077) != 0)
        return "the socket's folder must be the user's alone (mode 700)";
    return nullptr;
}

// The socket address of a parsed address: the path's, or the port's on 127.0.0.1.
struct SocketAddress {
    explicit SocketAddress(const Address& a) {
        if (a.unix) {
            auto* at = reinterpret_cast<sockaddr_un*>(&storage);
            at->sun_family = AF_UNIX;
            std::memcpy(at->sun_path, a.path.c_str(), a.path.size() + 1);
            size = sizeof(sockaddr_un);
        } else {
            auto* at = reinterpret_cast<sockaddr_in*>(&storage);
            at->sin_family = AF_INET;
            at->sin_port = htons(a.port);
            at->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            size = sizeof(sockaddr_in);
        }
    }
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
    sockaddr_storage storage{};
    socklen_t size = 0;
};

int connectTo(const Address& a) {
    const int fd = ::socket(a.unix ? AF_UNIX : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    SocketAddress to(a);
    if (::connect(fd, to.get(), to.size) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool serve(LiveLink& l, const Address& a) {
    const int fd = ::socket(a.unix ? AF_UNIX : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return refuse(std::strerror(errno));
    uint16_t port = a.port;
    if (a.unix) {
        if (const char* why = privateFolder(a.path)) {
            ::close(fd);
            return refuse(why);
        }
        struct stat info{};
        if (::lstat(a.path.c_str(), &info) == 0) {
            // A socket left by an editor that has gone is taken over; a live one is not.
            const int other = S_ISSOCK(info.st_mode) ? connectTo(a) : -1;
            if (!S_ISSOCK(info.st_mode) || other >= 0) {
                if (other >= 0) ::close(other);
                ::close(fd);
                return refuse(S_ISSOCK(info.st_mode) ? "another editor serves on that socket"
                                                     : "something that is not a socket has that path");
            }
            ::unlink(a.path.c_str());
        }
    }
    SocketAddress at(a);
    const int bound = ::bind(fd, at.get(), at.size);
    if (bound == 0 && a.unix) ::chmod(a.path.c_str(), 0600);
    if (bound == 0 && !a.unix) {
        socklen_t size = at.size;
        if (::getsockname(fd, at.get(), &size) == 0) port = ntohs(reinterpret_cast<sockaddr_in*>(&at.storage)->sin_port);
    }
    if (bound != 0 || ::listen(fd, 16) != 0) {
        const std::string why = std::string("the socket cannot be served: ") + std::strerror(errno);
        ::close(fd);
        return refuse(why.c_str());
    }
    l.role = Role::Server;
    l.listening = fd;
    l.address = a;
    if (!a.unix) {
        l.address.port = port;
        if (l.address.key.empty()) l.address.key = makeKey();
        l.shown = "tcp:127.0.0.1:" + std::to_string(port) + "?key=" + l.address.key;
    } else {
        l.shown = "unix:" + a.path;
    }
    return true;
}

// The serving end's turn: new games, their hellos, and sending.
void serverTurn(LiveLink& l) {
    while (true) {
        const int fd = ::accept4(l.listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        if (l.address.unix && !sameUser(fd)) {
            ::close(fd);
            continue;
        }
        auto peer = std::make_unique<Peer>();
        peer->fd = fd;
        l.peers.push_back(std::move(peer));
    }
    for (size_t k = 0; k < l.peers.size();) {
        Peer& p = *l.peers[k];
        bool alive = p.receive();
        LiveKind kind;
        std::string payload;
        while (alive && p.in.next(kind, payload)) {
            if (!p.greeted) {
                // A peer that does not present the key is let go at once.
                alive = kind == LiveKind::Hello && l.helloMatches(payload);
                if (!alive) break;
                p.greeted = true;
                p.queue(l.hello());
                if (l.stale) {
                    const std::string payload = encodeScene(currentLiveScene());
                    if (payload.size() <= kMaxLiveFrame) l.scene = liveFrame(LiveKind::Scene, payload);
                    l.stale = false;
                }
                if (!l.scene.empty()) p.queue(l.scene);
            }
            // Games send nothing else the editor takes.
        }
        if (p.in.why()) alive = false;
        if (alive) alive = p.flush();
        if (!alive) {
            ::close(p.fd);
            l.peers.erase(l.peers.begin() + long(k));
        } else {
            ++k;
        }
    }
}

// The game's turn: the editor's hello, then its scenes; the newest complete
// one is applied. 1 applied, 0 nothing, -1 refused or ended.
int32_t clientTurn(LiveLink& l) {
    Peer& p = *l.peers.front();
    const bool alive = p.receive();
    LiveKind kind;
    std::string payload, newest;
    bool scene = false;
    while (p.in.next(kind, payload)) {
        if (!p.greeted) {
            if (kind != LiveKind::Hello || !l.helloMatches(payload)) {
                l.close();
                return refused("the editor did not present the link's key");
            }
            p.greeted = true;
            continue;
        }
        if (kind == LiveKind::Scene) {
            newest = std::move(payload);
            scene = true;
        }
    }
    if (p.in.why()) {
        const std::string why = p.in.why();
        l.close();
        return refused(why.c_str());
    }
    const bool sent = p.flush();
    if (scene) {
        LiveScene decoded;
        if (const char* why = decodeScene(newest, decoded)) return refused(why);
        if (!applyLiveScene(decoded)) return -1;
        return 1;  // an editor that has gone is found at the next call
    }
    if (!alive || !sent) {
        l.close();
        return refused("the editor closed the link");
    }
    return 0;
}

}  // namespace
}  // namespace korvid

using namespace korvid;

KORVID_EXPORT bool objLiveLinkServe(const char* address) try {
    if (!context().store) return refuse("the library has not been started");
    Address a;
    if (const char* why = parseAddress(address, true, a)) return refuse(why);
    LiveLink& l = link();
    l.close();
    return serve(l, a);
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objLiveLinkAddress(char* out, int32_t capacity) try {
    const Context& c = context();
    if (!c.live || c.live->role != Role::Server) return -1;
    const std::string& shown = c.live->shown;
    if (out && capacity > int32_t(shown.size())) std::memcpy(out, shown.c_str(), shown.size() + 1);
    return int32_t(shown.size());
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT bool objLiveLinkPublish(void) try {
    Context& c = context();
    if (!c.live || c.live->role != Role::Server) return refuse("the library does not serve a live link");
    LiveLink& l = *c.live;
    // With no game connected the scene is only made when one connects: an
    // editor publishing every edit of a large model pays nothing meanwhile.
    const bool anyGame = std::any_of(l.peers.begin(), l.peers.end(), [](const auto& p) { return p->greeted; });
    if (!anyGame) {
        l.scene.clear();
        l.stale = true;
        serverTurn(l);
        return true;
    }
    const std::string payload = encodeScene(currentLiveScene());
    if (payload.size() > kMaxLiveFrame) return refuse("the scene is larger than 256 MiB");
    l.scene = liveFrame(LiveKind::Scene, payload);
    for (auto& p : l.peers)
        if (p->greeted) p->queue(l.scene);
    serverTurn(l);
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT bool objLiveLinkConnect(const char* address) try {
    if (!context().store) return refuse("the library has not been started");
    Address a;
    if (const char* why = parseAddress(address, false, a)) return refuse(why);
    LiveLink& l = link();
    l.close();
    const int fd = connectTo(a);
    if (fd < 0) {
        const std::string why = std::string("no editor serves there: ") + std::strerror(errno);
        return refuse(why.c_str());
    }
    if (a.unix && !sameUser(fd)) {
        ::close(fd);
        return refuse("the socket is served by another user");
    }
    nonBlocking(fd);
    l.role = Role::Client;
    l.address = a;
    auto peer = std::make_unique<Peer>();
    peer->fd = fd;
    peer->queue(l.hello());
    peer->flush();
    l.peers.push_back(std::move(peer));
    return true;
} catch (...) {
    return refusedByException<bool>(false);
}

KORVID_EXPORT int32_t objLiveLinkPoll(void) try {
    Context& c = context();
    if (!c.live || c.live->role == Role::None) {
        fail(Failure::LiveLink, "no live link is open");
        return -1;
    }
    if (c.live->role == Role::Server) {
        serverTurn(*c.live);
        return 0;
    }
    return clientTurn(*c.live);
} catch (...) {
    return refusedByException<int32_t>(-1);
}

KORVID_EXPORT int32_t objLiveLinkPeers(void) try {
    const Context& c = context();
    if (!c.live) return 0;
    int32_t greeted = 0;
    for (const auto& p : c.live->peers) greeted += p->greeted ? 1 : 0;
    return greeted;
} catch (...) {
    return refusedByException<int32_t>(0);
}

KORVID_EXPORT void objLiveLinkClose(void) try {
    if (context().live) context().live->close();
} catch (...) {
    failFromException();
}
