// Media subtypes of the stream source filter's output that the SDK headers at hand do not
// name. Each is the FOURCC or wave format tag in the first field of the base GUID
// {XXXXXXXX-0000-0010-8000-00AA00389B71}, as the documentation derives them.
#pragma once

#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

[[nodiscard]] constexpr DWORD fourcc(char a, char b, char c, char d)
{
    return static_cast<DWORD>(static_cast<unsigned char>(a)) |
           static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
           static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 |
           static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}

[[nodiscard]] constexpr GUID subtypeFromTag(DWORD tag)
{
    return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

inline constexpr DWORD h264Fourcc = fourcc('H', '2', '6', '4');
inline constexpr WORD waveFormatMpegAdtsAac = 0x1600;
inline constexpr WORD waveFormatMpegHeAac = 0x1610;
inline constexpr WORD waveFormatMpegLayer3 = 0x0055;
inline constexpr WORD waveFormatMpeg = 0x0050;

inline constexpr GUID mediaSubtypeH264 = subtypeFromTag(h264Fourcc);
inline constexpr GUID mediaSubtypeMpegAdtsAac = subtypeFromTag(waveFormatMpegAdtsAac);
inline constexpr GUID mediaSubtypeMpegHeAac = subtypeFromTag(waveFormatMpegHeAac);
inline constexpr GUID mediaSubtypeMp3 = subtypeFromTag(waveFormatMpegLayer3);

// The stream source filter's class id: the filter is made in-process and never registered,
// so only GetClassID answers it.
inline constexpr GUID clsidStreamSourceFilter = {
    0xEB1B84D2, 0xF7CF, 0x47C9, {0xA8, 0x0A, 0x21, 0x20, 0x14, 0x54, 0x5B, 0x38}};

}  // namespace telvia::win32
