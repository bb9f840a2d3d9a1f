#pragma once
// Byte runs that are not a message and may reach either end of a link: the phone's frame
// reader, the peer's and both link loops must skip them and still read the message after them.

#include <string>
#include <vector>

namespace pd::test {

struct BadFrameCase {
    const char* name;
    std::string bytes;
    int heartbeats;  // how many heartbeats a reader that reports them sees in `bytes`
};

inline const std::vector<BadFrameCase>& badFrameCases() {
    using namespace std::string_literals;
    static const std::vector<BadFrameCase> cases = {
        {"garbage with lone magic bytes", "\x00\xCF\x12\xCF\x00\x00\x00\x0B"s, 0},
        {"text", "hello? \x01\x02\xCF garbage"s, 0},
        {"length 1 cannot hold the markers", "\xCF\xCF\x00\x00\x00\x01"s, 0},
        {"length 2", "\xCF\xCF\x00\x00\x00\x02\x00\x01"s, 0},
        {"length 3", "\xCF\xCF\x00\x00\x00\x03"s, 0},
        {"magic inside a bad header", "\xCF\x00\x00"s, 0},
        {"bare header of length 0", "\xCF\xCF\x00\x00\x00\x00"s, 1},
        {"heartbeat", "\xCF\xCF\x00\x00\x00\x04\x00\x00\x00\x01"s, 1},
    };
    return cases;
}

}  // namespace pd::test
