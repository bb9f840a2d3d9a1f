#include "DemoGamepadMic.h"

#include "Commands.h"
#include "SelfProcess.h"
#include "TextFormat.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>

namespace pd::cli {

namespace {

constexpr int kRate = 8000;

void putLe(std::string& bytes, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// The events the computer printed since the last look, until it stays quiet for `quiet`.
std::vector<nlohmann::json> eventsUntilQuiet(peer::PeerLauncher& computer,
                                             std::chrono::milliseconds quiet) {
    std::vector<nlohmann::json> events;
    while (auto event = computer.nextEvent(quiet)) {
        events.push_back(*event);
    }
    return events;
}

int run(const Output& out, std::vector<std::string> args, const std::string& address,
        const std::vector<std::string>& common) {
    args.insert(args.end(), {"--pc", address});
    args.insert(args.end(), common.begin(), common.end());
    return waitSelf(startSelf(out, args)) == kExitOk ? 0 : 1;
}

}  // namespace

bool writeToneWav(const std::filesystem::path& file, double hertz, int seconds) {
    const std::uint32_t samples = static_cast<std::uint32_t>(kRate * seconds);
    const std::uint32_t dataBytes = samples * 2;
    std::string bytes;
    bytes.reserve(44 + dataBytes);
    bytes += "RIFF";
    putLe(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    putLe(bytes, 16, 4);         // size of the format chunk
    putLe(bytes, 1, 2);          // PCM
    putLe(bytes, 1, 2);          // mono
    putLe(bytes, kRate, 4);      // frames per second
    putLe(bytes, kRate * 2, 4);  // bytes per second
    putLe(bytes, 2, 2);          // bytes per frame
    putLe(bytes, 16, 2);         // bits per sample
    bytes += "data";
    putLe(bytes, dataBytes, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto sample = static_cast<std::int16_t>(
            std::lround(12000 * std::sin(2 * std::numbers::pi * hertz * t)));
        putLe(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(stream.flush());
}

int demoGamepadMic(const Output& out, peer::PeerLauncher& computer, const std::string& address,
                   const std::filesystem::path& work, const std::vector<std::string>& common) {
    eventsUntilQuiet(computer, std::chrono::milliseconds(100));  // what earlier steps left
    out.say("   Pressing X, holding up and letting it go, then L1 on the pad:");
    int failures = run(out, {"gamepad", "press", "x", "up:down", "up:up", "l1"}, address, common);
    std::string keys;
    for (const auto& event : eventsUntilQuiet(computer, std::chrono::milliseconds(500))) {
        if (event.value("event", "") == "gamepad") {
            keys += (keys.empty() ? "" : ", ") + std::to_string(event.value("key", -1)) + " " +
                    event.value("action", "");
        }
    }
    out.say("   The computer's gamepad received (key code, action; each key-up is sent twice): " +
            (keys.empty() ? std::string("nothing") : keys));

    const std::filesystem::path tone = work / "tone-440Hz.wav";
    if (!writeToneWav(tone, 440, 2)) {
        out.error("cannot write " + visibleText(tone.string()));
        return failures + 1;
    }
    out.say("   Streaming two seconds of a 440 Hz tone through the microphone stream:");
    failures += run(out, {"mic", "--wav", tone.string()}, address, common);
    bool saved = false;
    while (auto event = computer.nextEvent(std::chrono::seconds(10))) {
        if (event->value("event", "") == "audio_saved") {
            out.say("   The computer saved " + std::to_string(event->value("bytes", 0)) +
                    " bytes of audio as " + visibleText(event->value("path", "")));
            saved = true;
            break;
        }
    }
    return failures + (saved ? 0 : 1);
}

}  // namespace pd::cli
