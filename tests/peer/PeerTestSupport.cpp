#include "PeerTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utime.h>

#include <fstream>

namespace pd::peer::test {

namespace fs = std::filesystem;

void writeFile(const fs::path& file, std::size_t size, std::int64_t mtime) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(size, 'x');
    if (mtime != 0) {
        utimbuf times{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
        ::utime(file.c_str(), &times);
    }
}

int connectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    const timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return fd;
}

Message message(std::int64_t code, std::string body) {
    Message m;
    m.code = code;
    m.body = std::make_shared<const std::string>(std::move(body));
    if (std::optional<msg::Decoded> d = msg::decode(*m.body)) {
        m.decoded = std::make_shared<const msg::Decoded>(std::move(*d));
    }
    return m;
}

}  // namespace pd::peer::test
