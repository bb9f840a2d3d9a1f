#pragma once
// Sends the gamepad's two-byte datagrams to the computer. The socket is not bound (the source
// port is an ephemeral one) and is created on the first datagram; a send that fails is
// ignored, so the pad keeps working whatever the network does.
//
// The socket calls go through DatagramSockets, so a test can stand in for the system.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace pd {

class DatagramSockets {
  public:
    virtual ~DatagramSockets() = default;
    // A new IPv4 UDP socket; -1 when none could be made.
    virtual int open() = 0;
    // type 1 sets the send time-out, 0 the receive time-out.
    virtual bool setTimeout(int fd, int milliseconds, int type) = 0;
    // One datagram to an IPv4 address (host byte order) and port; false when it was not sent.
    virtual bool sendTo(int fd, std::span<const std::uint8_t> data, std::uint32_t address,
                        std::uint16_t port) = 0;
    // Shuts down both directions and closes; false when closing failed.
    virtual bool close(int fd) = 0;

    // The system's sockets.
    static std::shared_ptr<DatagramSockets> system();
};

class GameHandleTransfer {
  public:
    static constexpr int kSendTimeoutMs = 1000;

    explicit GameHandleTransfer(
        std::shared_ptr<DatagramSockets> sockets = DatagramSockets::system());
    // Closes the socket if it is still open.
    ~GameHandleTransfer();
    GameHandleTransfer(const GameHandleTransfer&) = delete;
    GameHandleTransfer& operator=(const GameHandleTransfer&) = delete;

    // Sends `data` to ip:port, creating the socket first if there is none. 1 when the socket
    // already existed, 0 otherwise (also when it could not be created: the data is dropped
    // and the next call tries again).
    int ConnectServer(const std::string& ip, std::int32_t port, std::span<const std::uint8_t> data);
    bool InitSocket();
    bool SetTimeOut(int milliseconds, int type);
    // Sends one datagram; a malformed address, a port outside 1..65535 or a failed send drop
    // it. True when it was handed to the system.
    bool SendData(std::span<const std::uint8_t> data, const std::string& ip, std::int32_t port);
    // Closes the socket; the next datagram opens a new one.
    bool CloseSocket();

    int socket() const { return m_socket; }
    bool connected() const { return m_bConnect; }

  private:
    std::shared_ptr<DatagramSockets> sockets_;
    int m_socket = -1;
    bool m_bConnect = false;
};

}  // namespace pd
