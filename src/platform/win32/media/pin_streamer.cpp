#include "platform/win32/media/pin_streamer.h"

#include <dshow.h>

#include <cstring>
#include <utility>

#include "platform/win32/base/com_apartment.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/track_media_types.h"

namespace telvia::win32 {

PinStreamer::PinStreamer(StreamSourcePort& source, std::size_t track, std::int64_t sampleDuration,
                         SampleTimeline& timeline, StreamingHost& host, NewTypeHandler onNewType)
    : source_(source),
      track_(track),
      sampleDuration_(sampleDuration),
      timeline_(timeline),
      host_(host),
      onNewType_(std::move(onNewType))
{
}

PinStreamer::~PinStreamer()
{
    // The owner stops the source and joins before; this only keeps a thread from outliving us.
    requestExit();
    join();
}

HRESULT PinStreamer::start(const DeliveryTarget& target) noexcept
{
    std::unique_lock lock(mutex_);
    if (exiting_) {
        return E_UNEXPECTED;
    }
    target_ = target;
    ++run_;
    active_ = true;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (...) {
            active_ = false;
            target_ = {};
            return E_OUTOFMEMORY;
        }
    }
    lock.unlock();
    changed_.notify_all();
    return S_OK;
}

void PinStreamer::stop() noexcept
{
    std::unique_lock lock(mutex_);
    active_ = false;
    changed_.wait(lock, [this] { return !delivering_; });
    target_ = {};
}

void PinStreamer::requestExit() noexcept
{
    {
        const std::lock_guard lock(mutex_);
        exiting_ = true;
        active_ = false;
    }
    changed_.notify_all();
}

void PinStreamer::join() noexcept
{
    if (!thread_.joinable()) {
        return;
    }
    // The thread holds no reference to the filter, so tear-down never runs on it; should it
    // ever, joining itself would deadlock.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    thread_.join();
}

void PinStreamer::run() noexcept
{
    // Streaming threads join the multithreaded apartment for the calls they make downstream.
    const ComApartment apartment(COINIT_MULTITHREADED);
    std::uint64_t finishedRun = 0;   // the run in which the stream ended or downstream refused
    std::uint64_t deliveredRun = 0;  // the run of the last sample delivered
    for (;;) {
        std::uint64_t thisRun = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return exiting_ || (active_ && run_ != finishedRun); });
            if (exiting_) {
                return;
            }
            thisRun = run_;
        }

        std::optional<StreamSample> sample;
        bool pulled = true;
        try {
            sample = source_.nextSample(track_);
        } catch (...) {
            pulled = false;
        }

        DeliveryTarget target;
        {
            const std::lock_guard lock(mutex_);
            if (exiting_) {
                return;
            }
            if (!active_ || run_ != thisRun) {
                continue;  // pulled across a Stop: dropped
            }
            delivering_ = true;
            target = target_;
        }

        Outcome outcome = Outcome::runOver;
        if (!pulled) {
            host_.reportStreamingError(E_OUTOFMEMORY);
        } else if (!sample) {
            target.peer->EndOfStream();
        } else {
            try {
                outcome = deliver(*sample, target, deliveredRun != thisRun);
            } catch (...) {
                // Nothing may leave a streaming thread: the graph hears of it as an error.
                host_.reportStreamingError(E_UNEXPECTED);
            }
            if (outcome == Outcome::delivered) {
                deliveredRun = thisRun;
            }
        }

        {
            const std::lock_guard lock(mutex_);
            delivering_ = false;
            if (outcome == Outcome::runOver) {
                finishedRun = thisRun;
            }
        }
        changed_.notify_all();
    }
}

std::optional<MediaType> PinStreamer::acceptedType(const StreamTrackFormat& format, IPin& peer)
{
    for (MediaType& type : mediaTypesForTrack(format)) {
        if (peer.QueryAccept(&type.get()) == S_OK) {
            return std::move(type);
        }
    }
    return std::nullopt;
}

PinStreamer::Outcome PinStreamer::deliver(StreamSample& sample, const DeliveryTarget& target,
                                          bool firstOfRun)
{
    std::optional<MediaType> newType;
    if (sample.newFormat) {
        // The sound changed codec, rate or channels: the decoder downstream takes the new
        // format with this sample, or the track ends here and stops being fetched.
        newType = acceptedType(*sample.newFormat, *target.peer);
        if (!newType) {
            source_.dropTrack(track_);
            target.peer->EndOfStream();
            return Outcome::runOver;
        }
    }
    ComPtr<IMediaSample> buffer;
    if (FAILED(target.allocator->GetBuffer(buffer.put(), nullptr, nullptr, 0)) || !buffer) {
        return Outcome::runOver;  // decommitted: the filter is stopping
    }
    BYTE* data = nullptr;
    if (FAILED(buffer->GetPointer(&data)) || data == nullptr) {
        return Outcome::runOver;
    }
    if (sample.data.size() > static_cast<std::size_t>(buffer->GetSize())) {
        lostSample_ = true;  // larger than the buffers the allocator agreed to
        return Outcome::delivered;
    }
    std::memcpy(data, sample.data.data(), sample.data.size());
    buffer->SetActualDataLength(static_cast<long>(sample.data.size()));

    if (newType) {
        sampleDuration_ = sampleDuration(*sample.newFormat);
    }
    REFERENCE_TIME start = timeline_.streamTime(sample.start, host_.runningStreamTime());
    REFERENCE_TIME end = start + sampleDuration_;
    buffer->SetTime(&start, sampleDuration_ > 0 ? &end : nullptr);
    buffer->SetSyncPoint(sample.keyFrame ? TRUE : FALSE);
    buffer->SetDiscontinuity(sample.discontinuity || firstOfRun || lostSample_ ? TRUE : FALSE);
    buffer->SetPreroll(FALSE);
    lostSample_ = false;
    if (newType) {
        // The framework copies the type; it takes a pointer to a mutable one all the same.
        if (FAILED(buffer->SetMediaType(const_cast<AM_MEDIA_TYPE*>(&newType->get())))) {
            return Outcome::runOver;
        }
        onNewType_(*newType);
    }

    // Anything but S_OK means downstream takes nothing more until the next run (S_FALSE
    // while flushing or after an end, a failure when it stopped before this filter).
    return target.input->Receive(buffer.get()) == S_OK ? Outcome::delivered : Outcome::runOver;
}

}  // namespace telvia::win32
