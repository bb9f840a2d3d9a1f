#include "DemoGamepadMic.h"

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

Reason demoGamepad(const DemoContext& demo, peer::PeerLauncher& computer) {
    eventsUntilQuiet(computer, std::chrono::milliseconds(100));  // what earlier steps left
    demo.out.say("  Pressing X, holding up and letting it go, then L1:");
    Reason failure = runOnComputer(demo, {"gamepad", "press", "x", "up:down", "up:up", "l1"});
    std::string keys;
    for (const auto& event : eventsUntilQuiet(computer, std::chrono::milliseconds(500))) {
        if (event.value("event", "") == "gamepad") {
            keys += (keys.empty() ? "" : ", ") + std::to_string(event.value("key", -1)) + " " +
                    event.value("action", "");
        }
    }
    demo.out.say("  The computer's gamepad received (key, action; each key-up is sent twice): " +
                 (keys.empty() ? std::string("nothing") : keys));
    if (failure.empty() && keys.empty()) {
        failure = "the computer received no key";
    }
    return failure;
}

Reason demoMic(const DemoContext& demo, peer::PeerLauncher& computer) {
    const std::filesystem::path tone = demo.work / "tone-440Hz.wav";
    if (!writeToneWav(tone, 440, 2)) {
        return "cannot write " + visibleText(tone.string());
    }
    demo.out.say("  Streaming two seconds of a 440 Hz tone as the microphone:");
    Reason failure = runOnComputer(demo, {"mic", "--wav", tone.string()});
    if (auto saved = waitForEvent(computer, "audio_saved", std::chrono::seconds(10))) {
        demo.out.say("  The computer saved " + std::to_string(saved->value("bytes", 0)) +
                     " bytes of audio as " + visibleText(saved->value("path", "")));
    } else if (failure.empty()) {
        failure = "the computer saved no audio";
    }
    return failure;
}

}  // namespace pd::cli
