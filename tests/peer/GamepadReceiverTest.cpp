// The peer's gamepad receiver: what it makes of each datagram, and its socket on 127.0.0.1.

#include "GamepadReceiver.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

namespace pd::peer {
namespace {

using Kind = GamepadEvent::Kind;

TEST(GamepadKeys, KeepsTheHeldKeysAndSeesRepeatedKeyUpsAsHarmless) {
    struct Case {
        std::vector<std::uint8_t> datagram;
        GamepadEvent event;
    };
    const Case cases[] = {
        {{20, 1}, {Kind::Down, 20}},
        {{32, 1}, {Kind::Down, 32}},
        {{20, 2}, {Kind::Up, 20}},
        {{20, 2}, {Kind::AlreadyUp, 20}},  // the phone's second key-up
        {{34, 3}, {Kind::Click, 34}},
        {{34, 2}, {Kind::AlreadyUp, 34}},  // a click holds nothing
        {{255, 1}, {Kind::Down, 255}},
        {{20, 0}, {Kind::BadAction, 20}},
        {{20, 4}, {Kind::BadAction, 20}},
        {{}, {Kind::BadSize}},
        {{20}, {Kind::BadSize}},
        {{20, 1, 0}, {Kind::BadSize}},
    };
    GamepadKeys keys;
    for (const Case& c : cases) {
        EXPECT_EQ(keys.take(c.datagram), c.event) << kindName(c.event.kind);
    }
    EXPECT_TRUE(keys.held(32));
    EXPECT_TRUE(keys.held(255));
    EXPECT_FALSE(keys.held(20));
    EXPECT_EQ(keys.heldCount(), 2u);
}

TEST(GamepadReceiver, PrintsEachKeyEventAndEachKindOfNonsenseOnce) {
    std::mutex mutex;
    std::vector<std::string> printed;
    GamepadReceiver receiver({"127.0.0.1", 0, [&](const nlohmann::ordered_json& e) {
                                  std::lock_guard lock(mutex);
                                  printed.push_back(e.dump());
                              }});
    ASSERT_TRUE(receiver.start()) << receiver.error();
    ASSERT_NE(receiver.port(), 0);

    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(receiver.port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::vector<std::vector<std::uint8_t>> datagrams = {{20, 1}, {1, 2, 3}, {20, 2}, {20, 2},
                                                              {9, 9},  {1},       {9, 7},  {34, 3}};
    for (const auto& d : datagrams) {
        ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
    ASSERT_TRUE(test::waitFor([&] { return receiver.received() == datagrams.size(); }));
    receiver.stop();

    EXPECT_EQ(printed, (std::vector<std::string>{
                           R"({"event":"gamepad","key":20,"action":"down"})",
                           R"({"event":"gamepad_ignored","reason":"bad size"})",
                           R"({"event":"gamepad","key":20,"action":"up"})",
                           R"({"event":"gamepad","key":20,"action":"already up"})",
                           R"({"event":"gamepad_ignored","reason":"bad action"})",
                           R"({"event":"gamepad","key":34,"action":"click"})",
                       }));
}

TEST(GamepadReceiver, ATakenPortIsAnError) {
    GamepadReceiver first({"127.0.0.1", 0, nullptr});
    ASSERT_TRUE(first.start());
    GamepadReceiver second({"127.0.0.1", first.port(), nullptr});
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.error().find("cannot bind"), std::string::npos);
    GamepadReceiver bad({"nowhere", 0, nullptr});
    EXPECT_FALSE(bad.start());
}

}  // namespace
}  // namespace pd::peer
