#include "platform/AudioInput.h"

namespace pd {

AudioInput::~AudioInput() = default;

}  // namespace pd
