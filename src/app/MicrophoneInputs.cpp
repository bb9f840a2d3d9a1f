#include "app/MicrophoneInputs.h"

#include "platform/AlsaAudioInput.h"
#include "platform/FileAudioInput.h"

namespace pd {

MicrophoneOpener microphoneDevice(std::string device) {
    return [device = std::move(device)] { return AlsaAudioInput::open(device); };
}

MicrophoneOpener microphoneFile(std::filesystem::path file) {
    return [file = std::move(file)] { return FileAudioInput::open(file); };
}

}  // namespace pd
