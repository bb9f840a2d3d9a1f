#include "support/StreamSink.h"

#include "support/WaitFor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <vector>

namespace pd::test {

StreamSink::StreamSink(std::size_t keepBytes) : keepBytes_(keepBytes) {
    crc_ = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] {
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd >= 0) {
            std::vector<char> buffer(256 * 1024);
            for (;;) {
                const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                if (n <= 0) {
                    break;
                }
                crc_ = static_cast<std::uint32_t>(::crc32(
                    crc_, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n)));
                if (kept_.size() < keepBytes_) {
                    kept_.append(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(n),
                                                                      keepBytes_ - kept_.size()));
                }
                received_ += static_cast<std::uint64_t>(n);
            }
            ::close(fd);
        }
        closed_ = true;
    });
}

StreamSink::~StreamSink() {
    ::shutdown(listener_, SHUT_RDWR);  // ends an accept still waiting
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(listener_);
}

bool StreamSink::waitClosed(int seconds) {
    return waitFor([this] { return closed_.load(); }, std::chrono::seconds(seconds));
}

std::uint32_t fileCrc(const std::string& path) {
    auto crc = ::crc32(0, nullptr, 0);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(1 << 20);
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n));
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return static_cast<std::uint32_t>(crc);
}

}  // namespace pd::test
