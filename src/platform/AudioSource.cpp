#include "platform/AudioSource.h"

#include "platform/Log.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pd {

AudioLevelSource::~AudioLevelSource() = default;

struct AudioSource::State {
    explicit State(std::unique_ptr<AudioInput> in) : input(std::move(in)) {}

    std::unique_ptr<AudioInput> input;  // used by the capture thread only, once it runs

    mutable std::mutex mutex;
    std::condition_variable wake;
    AudioHandlers handlers;
    bool started = false;
    bool paused = false;
    bool stopRequested = false;
    bool finished = false;
    audio::ChannelLevel level{audio::kSilenceDb, audio::kSilenceDb};
};

AudioSource::AudioSource(std::unique_ptr<AudioInput> input)
    : state_(std::make_shared<State>(std::move(input))) {}

AudioSource::~AudioSource() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested = true;
        state_->handlers = {};
    }
    state_->wake.notify_all();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();  // destroyed from a handler: the thread ends after it returns
        } else {
            thread_.join();
        }
    }
}

bool AudioSource::start(AudioHandlers handlers) {
    std::unique_lock lock(state_->mutex);
    if (state_->finished || state_->stopRequested || !state_->input) {
        return false;
    }
    if (state_->started) {
        if (state_->paused) {
            state_->paused = false;
            lock.unlock();
            state_->wake.notify_all();
        }
        return true;
    }
    state_->handlers = std::move(handlers);
    state_->started = true;
    thread_ = std::thread([state = state_] { capture(state); });
    return true;
}

void AudioSource::pause() {
    {
        std::lock_guard lock(state_->mutex);
        state_->paused = true;
    }
    state_->wake.notify_all();
}

void AudioSource::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested = true;
    }
    state_->wake.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

bool AudioSource::isRunning() const {
    std::lock_guard lock(state_->mutex);
    return state_->started && !state_->finished && !state_->stopRequested && !state_->paused;
}

std::optional<std::vector<audio::ChannelLevel>> AudioSource::currentLevels() const {
    std::lock_guard lock(state_->mutex);
    if (!state_->started || state_->finished) {
        return std::nullopt;
    }
    return std::vector<audio::ChannelLevel>{state_->level};
}

void AudioSource::capture(const std::shared_ptr<State>& state) {
    using Clock = std::chrono::steady_clock;
    AudioInput& input = *state->input;
    const bool paced = input.needsPacing();
    Clock::time_point epoch = Clock::now();
    std::uint64_t pacedBytes = 0;  // delivered since `epoch`
    std::vector<std::uint8_t> buffer(audio::kBufferBytes);
    std::size_t filled = 0;
    AudioEnd end;

    // Hands the filled part of the buffer on; false when a stop was asked meanwhile.
    auto deliver = [&]() {
        std::unique_lock lock(state->mutex);
        if (paced) {
            pacedBytes += filled;
            const auto due =
                epoch + std::chrono::milliseconds(pacedBytes / audio::kBytesPerMillisecond);
            state->wake.wait_until(lock, due, [&] { return state->stopRequested; });
            if (state->stopRequested) {
                return false;
            }
        }
        state->level = audio::measureLevel({buffer.data(), filled});
        auto handler = state->handlers.buffer;
        lock.unlock();
        buffer.resize(filled);
        if (handler) {
            handler(std::move(buffer));
        }
        buffer.assign(audio::kBufferBytes, 0);
        filled = 0;
        return true;
    };

    for (;;) {
        {
            std::unique_lock lock(state->mutex);
            if (state->stopRequested) {
                break;
            }
            if (state->paused) {
                lock.unlock();
                if (filled > 0 && !deliver()) {
                    break;
                }
                input.pause();
                lock.lock();
                state->wake.wait(lock, [&] { return !state->paused || state->stopRequested; });
                if (state->stopRequested) {
                    break;
                }
                lock.unlock();
                input.resume();
                epoch = Clock::now();
                pacedBytes = 0;
                continue;
            }
        }
        const AudioRead got = input.read(std::span(buffer).subspan(filled));
        filled += got.bytes;
        if (got.status == AudioRead::Status::Failed) {
            PD_LOG_WARN("{}", got.error);
            end = {AudioEnd::Reason::Failed, got.error};
            break;
        }
        const bool atEnd = got.status == AudioRead::Status::End;
        if ((filled == buffer.size() || (atEnd && filled > 0)) && !deliver()) {
            break;
        }
        if (atEnd) {
            end = {AudioEnd::Reason::EndOfInput, {}};
            break;
        }
    }

    std::function<void(const AudioEnd&)> ended;
    {
        std::lock_guard lock(state->mutex);
        state->finished = true;
        ended = state->handlers.ended;
    }
    if (ended) {
        ended(end);
    }
}

}  // namespace pd
