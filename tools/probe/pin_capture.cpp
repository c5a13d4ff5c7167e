#include "pin_capture.h"

#include <dshow.h>

#include <cinttypes>
#include <string_view>

#include "media_type_text.h"
#include "platform/win32/media/media_type.h"

namespace telvia::probe {

namespace {

std::string timeText(const std::optional<std::int64_t>& time)
{
    return time ? std::to_string(*time) : std::string("-");
}

std::string_view flag(bool value) { return value ? "1" : "0"; }

}  // namespace

std::string sampleLine(const CapturedSample& sample)
{
    std::string line = timeText(sample.start) + " " + timeText(sample.stop) + " ";
    line += flag(sample.sync);
    line += " ";
    line += flag(sample.discontinuity);
    line += " ";
    line += flag(sample.preroll);
    return line + " " + std::to_string(sample.bytes);
}

std::string formatLine(const AM_MEDIA_TYPE& type)
{
    static constexpr char digits[] = "0123456789abcdef";
    const ULONG size = type.pbFormat != nullptr ? type.cbFormat : 0;
    std::string line = "format " + std::to_string(size) + " bytes: ";
    for (ULONG i = 0; i < size; ++i) {
        line += digits[type.pbFormat[i] >> 4];
        line += digits[type.pbFormat[i] & 0x0F];
    }
    return line;
}

std::unique_ptr<PinCapture> PinCapture::create(const std::wstring& folder, int number)
{
    const std::wstring stem = folder + L"\\pin" + std::to_wstring(number);
    File payload(_wfopen((stem + L".es").c_str(), L"wb"));
    File lines(_wfopen((stem + L".txt").c_str(), L"wb"));
    if (!payload || !lines) {
        return nullptr;
    }
    return std::unique_ptr<PinCapture>(new PinCapture(std::move(payload), std::move(lines)));
}

void PinCapture::writeType(const AM_MEDIA_TYPE& type)
{
    const std::lock_guard lock(mutex_);
    const std::string text = describeMediaType(type) + "\n" + formatLine(type) + "\n";
    if (std::fwrite(text.data(), 1, text.size(), lines_.get()) != text.size()) {
        failed_ = true;
    }
}

bool PinCapture::write(IMediaSample& sample)
{
    CapturedSample captured;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const HRESULT timed = sample.GetTime(&start, &stop);
    if (SUCCEEDED(timed)) {
        captured.start = start;
        if (timed != VFW_S_NO_STOP_TIME) {
            captured.stop = stop;
        }
    }
    captured.sync = sample.IsSyncPoint() == S_OK;
    captured.discontinuity = sample.IsDiscontinuity() == S_OK;
    captured.preroll = sample.IsPreroll() == S_OK;
    BYTE* data = nullptr;
    const long length = sample.GetActualDataLength();
    if (length > 0 && SUCCEEDED(sample.GetPointer(&data)) && data != nullptr) {
        captured.bytes = static_cast<std::size_t>(length);
    }

    std::string line;
    AM_MEDIA_TYPE* newType = nullptr;
    if (sample.GetMediaType(&newType) == S_OK && newType != nullptr) {
        line = "type change: " + describeMediaType(*newType) + "\n" + formatLine(*newType) + "\n";
        win32::deleteTaskMemMediaType(newType);
    }
    line += sampleLine(captured) + "\n";
    const std::lock_guard lock(mutex_);
    const bool written = std::fwrite(data, 1, captured.bytes, payload_.get()) == captured.bytes &&
                         std::fwrite(line.data(), 1, line.size(), lines_.get()) == line.size();
    if (!written) {
        failed_ = true;
        return false;
    }
    ++samples_;
    bytes_ += captured.bytes;
    return true;
}

}  // namespace telvia::probe
