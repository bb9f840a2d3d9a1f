#pragma once
// Where a front-end's microphone stream reads: a capture device, or a sound file for headless
// use (streamed in real time and ended at its end). Each gives the opener the remote control
// panel calls when the computer accepted the stream.

#include "platform/AudioInput.h"

#include <filesystem>
#include <functional>
#include <string>

namespace pd {

using MicrophoneOpener = std::function<AudioOpenResult()>;

// The ALSA capture device `device` ("default" for the system's default).
MicrophoneOpener microphoneDevice(std::string device);
// A WAV or FLAC file, converted to 8 kHz mono 16-bit as it is read.
MicrophoneOpener microphoneFile(std::filesystem::path file);

}  // namespace pd
