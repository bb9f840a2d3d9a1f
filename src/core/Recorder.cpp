#include "core/Recorder.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <mutex>

namespace pd {

// Shared with the capture thread's handlers, which hold it weakly: a handler that outlives
// the recorder finds nothing and does nothing.
struct Recorder::Core {
    explicit Core(DispatchQueue& q) : queue(q) {}
    DispatchQueue& queue;
    std::mutex mutex;
    AudioStreamBlock streamBlock;
    AudioStreamStopBlock stopBlock;
    bool stopped = false;
    bool interruptionBegan = false;  // the next end is an interruption, not a user's stop
};

Recorder::Recorder(std::unique_ptr<AudioInput> input)
    : Recorder(std::move(input), MainQueue::shared()) {}

Recorder::Recorder(std::unique_ptr<AudioInput> input, DispatchQueue& callbackQueue)
    : core_(std::make_shared<Core>(callbackQueue)),
      source_(input ? std::make_shared<AudioSource>(std::move(input)) : nullptr) {}

Recorder::~Recorder() {
    {
        std::lock_guard lock(core_->mutex);
        core_->stopped = true;
        core_->streamBlock = nullptr;
        core_->stopBlock = nullptr;
    }
    // The source is destroyed here (or by the level meter's last look, on its queue); from
    // a stream block it lets the capture thread end by itself.
}

void Recorder::GetAudioStreamBlock(AudioStreamBlock block) {
    std::lock_guard lock(core_->mutex);
    core_->streamBlock = std::move(block);
}

void Recorder::StopAudioStreamBlock(AudioStreamStopBlock block) {
    std::lock_guard lock(core_->mutex);
    core_->stopBlock = std::move(block);
}

bool Recorder::start() {
    if (!source_) {
        return false;
    }
    {
        std::lock_guard lock(core_->mutex);
        if (core_->stopped) {
            return false;
        }
    }
    std::weak_ptr<Core> weak = core_;
    AudioHandlers handlers;
    handlers.buffer = [weak](std::vector<std::uint8_t> bytes) {
        AudioStreamBlock block;
        if (auto core = weak.lock()) {
            std::lock_guard lock(core->mutex);
            block = core->streamBlock;
        }
        if (block && !bytes.empty()) {
            block(std::move(bytes));
        }
    };
    // Last thing the capture thread does: the stop block runs on the callback queue, where
    // releasing the recorder joins a thread that has already finished.
    handlers.ended = [weak](const AudioEnd& end) {
        auto core = weak.lock();
        if (!core) {
            return;
        }
        RecorderStop why{end.reason != AudioEnd::Reason::Stopped, end.message};
        {
            std::lock_guard lock(core->mutex);
            why.interrupted = why.interrupted || core->interruptionBegan;
        }
        core->queue.async([weak, why] {
            AudioStreamStopBlock block;
            if (auto c = weak.lock()) {
                std::lock_guard lock(c->mutex);
                c->stopped = true;
                block = c->stopBlock;
            }
            if (block) {
                block(why);
            }
        });
    };
    return source_->start(std::move(handlers));
}

void Recorder::stop() {
    if (source_) {
        source_->stop();
    }
}

void Recorder::pause() {
    if (source_) {
        source_->pause();
    }
}

bool Recorder::isRunning() const {
    return source_ && source_->isRunning();
}

void Recorder::sessionInterruption(int type) {
    if (type == kInterruptionBegan) {
        PD_LOG_INFO("begin interruption");
        {
            std::lock_guard lock(core_->mutex);
            core_->interruptionBegan = true;
        }
        stop();
    } else if (type == kInterruptionEnded) {
        PD_LOG_INFO("end interruption");
    }
}

}  // namespace pd
