#include "media_type_text.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/win32/media/media_subtypes.h"

namespace telvia::probe {

namespace {

struct NamedGuid {
    const GUID& guid;
    const char* name;
};

const NamedGuid majorTypes[] = {
    {MEDIATYPE_Video, "Video"},         {MEDIATYPE_Audio, "Audio"},   {MEDIATYPE_Stream, "Stream"},
    {MEDIATYPE_Interleaved, "Interleaved"}, {MEDIATYPE_Text, "Text"}, {MEDIATYPE_ScriptCommand, "ScriptCommand"},
    {MEDIATYPE_Midi, "Midi"},           {MEDIATYPE_File, "File"},     {MEDIATYPE_Timecode, "Timecode"},
};

// Subtypes that are not made from a FOURCC or a wave format tag.
const NamedGuid namedSubtypes[] = {
    {MEDIASUBTYPE_None, "None"},
    {MEDIASUBTYPE_MPEG1Packet, "MPEG1Packet"},
    {MEDIASUBTYPE_MPEG1Payload, "MPEG1Payload"},
    {MEDIASUBTYPE_MPEG1System, "MPEG1System"},
    {MEDIASUBTYPE_MPEG1Video, "MPEG1Video"},
    {MEDIASUBTYPE_MPEG1Audio, "MPEG1Audio"},
    {MEDIASUBTYPE_RGB8, "RGB8"},
    {MEDIASUBTYPE_RGB555, "RGB555"},
    {MEDIASUBTYPE_RGB565, "RGB565"},
    {MEDIASUBTYPE_RGB24, "RGB24"},
    {MEDIASUBTYPE_RGB32, "RGB32"},
    {MEDIASUBTYPE_ARGB32, "ARGB32"},
    {MEDIASUBTYPE_Avi, "Avi"},
    {MEDIASUBTYPE_Asf, "Asf"},
    {MEDIASUBTYPE_WAVE, "WAVE"},
};

const NamedGuid formatTypes[] = {
    {FORMAT_None, "None"},
    {FORMAT_VideoInfo, "VideoInfo"},
    {FORMAT_VideoInfo2, "VideoInfo2"},
    {FORMAT_WaveFormatEx, "WaveFormatEx"},
    {FORMAT_MPEGVideo, "MPEGVideo"},
    {FORMAT_MPEG2Video, "MPEG2Video"},
    {FORMAT_MPEGStreams, "MPEGStreams"},
    {FORMAT_DvInfo, "DvInfo"},
    {GUID_NULL, "none"},
};

struct NamedTag {
    WORD tag;
    const char* name;
};

// Wave format tags in the first field of the base GUID.
const NamedTag waveTags[] = {
    {0x0001, "PCM"},         {0x0003, "IEEE_FLOAT"},   {0x0050, "MPEG1AudioPayload"},
    {0x0055, "MP3"},         {0x00FF, "RAW_AAC1"},     {0x0160, "WMAudioV1"},
    {0x0161, "WMAudioV2"},   {0x0162, "WMAudioV3"},    {0x0163, "WMAudio_Lossless"},
    {0x000A, "WMSpeech"},    {0x1600, "MPEG_ADTS_AAC"}, {0x1602, "MPEG_LOAS"},
    {0x1610, "MPEG_HEAAC"},  {0x2000, "DOLBY_AC3"},    {0x2001, "DTS"},
};

struct NamedResult {
    HRESULT result;
    const char* name;
};

const NamedResult results[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {E_FAIL, "E_FAIL"},
    {E_ABORT, "E_ABORT"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {E_POINTER, "E_POINTER"},
    {E_UNEXPECTED, "E_UNEXPECTED"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "file not found"},
    {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "path not found"},
    // ERROR_WINHTTP_CANNOT_CONNECT: what the stream source answers for a server that did not
    // answer, or answered with an error, or broke off.
    {HRESULT_FROM_WIN32(12029), "stream unreachable"},
    {VFW_S_PARTIAL_RENDER, "VFW_S_PARTIAL_RENDER"},
    {VFW_S_AUDIO_NOT_RENDERED, "VFW_S_AUDIO_NOT_RENDERED"},
    {VFW_S_VIDEO_NOT_RENDERED, "VFW_S_VIDEO_NOT_RENDERED"},
    {VFW_S_STATE_INTERMEDIATE, "VFW_S_STATE_INTERMEDIATE"},
    {VFW_S_CANT_CUE, "VFW_S_CANT_CUE"},
    {VFW_E_UNKNOWN_FILE_TYPE, "VFW_E_UNKNOWN_FILE_TYPE"},
    {VFW_E_UNSUPPORTED_STREAM, "VFW_E_UNSUPPORTED_STREAM"},
    {VFW_E_CANNOT_RENDER, "VFW_E_CANNOT_RENDER"},
    {VFW_E_CANNOT_CONNECT, "VFW_E_CANNOT_CONNECT"},
    {VFW_E_NO_ACCEPTABLE_TYPES, "VFW_E_NO_ACCEPTABLE_TYPES"},
    {VFW_E_TYPE_NOT_ACCEPTED, "VFW_E_TYPE_NOT_ACCEPTED"},
    {VFW_E_NO_AUDIO_HARDWARE, "VFW_E_NO_AUDIO_HARDWARE"},
    {VFW_E_NOT_CONNECTED, "VFW_E_NOT_CONNECTED"},
    {VFW_E_ALREADY_CONNECTED, "VFW_E_ALREADY_CONNECTED"},
    {VFW_E_INVALID_FILE_FORMAT, "VFW_E_INVALID_FILE_FORMAT"},
    {VFW_E_NOT_FOUND, "VFW_E_NOT_FOUND"},
    {VFW_E_TIMEOUT, "VFW_E_TIMEOUT"},
};

struct NamedEvent {
    long code;
    const char* name;
};

const NamedEvent events[] = {
    {EC_COMPLETE, "EC_COMPLETE"},
    {EC_USERABORT, "EC_USERABORT"},
    {EC_ERRORABORT, "EC_ERRORABORT"},
    {EC_ERROR_STILLPLAYING, "EC_ERROR_STILLPLAYING"},
    {EC_VIDEO_SIZE_CHANGED, "EC_VIDEO_SIZE_CHANGED"},
    {EC_CLOCK_CHANGED, "EC_CLOCK_CHANGED"},
    {EC_PAUSED, "EC_PAUSED"},
    {EC_BUFFERING_DATA, "EC_BUFFERING_DATA"},
    {EC_DISPLAY_CHANGED, "EC_DISPLAY_CHANGED"},
    {EC_STARVATION, "EC_STARVATION"},
    {EC_STATE_CHANGE, "EC_STATE_CHANGE"},
    {EC_WINDOW_DESTROYED, "EC_WINDOW_DESTROYED"},
    {EC_ACTIVATE, "EC_ACTIVATE"},
    {EC_NEED_RESTART, "EC_NEED_RESTART"},
    {EC_CLOCK_UNSET, "EC_CLOCK_UNSET"},
};

template <std::size_t count>
const char* nameIn(const NamedGuid (&table)[count], const GUID& guid)
{
    for (const NamedGuid& entry : table) {
        if (IsEqualGUID(entry.guid, guid)) {
            return entry.name;
        }
    }
    return nullptr;
}

// {XXXXXXXX-0000-0010-8000-00AA00389B71}: a FOURCC or a wave format tag in the first field.
bool isFromTag(const GUID& guid)
{
    const GUID base = win32::subtypeFromTag(guid.Data1);
    return IsEqualGUID(base, guid);
}

// Copies a structure out of a format block, which may be unaligned; false when the block is
// shorter than the structure.
template <typename Structure>
bool readFormat(const AM_MEDIA_TYPE& type, Structure& out)
{
    if (type.pbFormat == nullptr || type.cbFormat < sizeof(Structure)) {
        return false;
    }
    std::memcpy(&out, type.pbFormat, sizeof(Structure));
    return true;
}

std::string pictureText(const BITMAPINFOHEADER& header, REFERENCE_TIME timePerFrame)
{
    char text[96];
    int written = std::snprintf(text, sizeof text, "%ldx%ld", static_cast<long>(header.biWidth),
                                static_cast<long>(header.biHeight));
    if (timePerFrame > 0 && written > 0) {
        std::snprintf(text + written, sizeof text - static_cast<std::size_t>(written), ", %.3f fps",
                      10'000'000.0 / static_cast<double>(timePerFrame));
    }
    return text;
}

std::string soundText(const AM_MEDIA_TYPE& type)
{
    PCMWAVEFORMAT wave{};
    if (!readFormat(type, wave)) {
        return {};
    }
    std::string text = std::to_string(wave.wf.nSamplesPerSec) + " Hz, " + std::to_string(wave.wf.nChannels) +
                       " channels";
    if (wave.wBitsPerSample != 0) {
        text += ", " + std::to_string(wave.wBitsPerSample) + " bits";
    }
    if (MPEG1WAVEFORMAT mpeg{}; wave.wf.wFormatTag == WAVE_FORMAT_MPEG && readFormat(type, mpeg)) {
        const int layer = mpeg.fwHeadLayer == ACM_MPEG_LAYER1   ? 1
                          : mpeg.fwHeadLayer == ACM_MPEG_LAYER2 ? 2
                          : mpeg.fwHeadLayer == ACM_MPEG_LAYER3 ? 3
                                                                : 0;
        if (layer != 0) {
            text += ", layer " + std::to_string(layer);
        }
    }
    const bool compressed = wave.wf.wFormatTag != WAVE_FORMAT_PCM && wave.wf.wFormatTag != WAVE_FORMAT_IEEE_FLOAT;
    if (compressed && wave.wf.nAvgBytesPerSec != 0) {
        text += ", " + std::to_string(wave.wf.nAvgBytesPerSec * 8 / 1000) + " kbit/s";
    }
    return text;
}

std::string formatDetails(const AM_MEDIA_TYPE& type)
{
    char text[96];
    if (IsEqualGUID(type.formattype, FORMAT_WaveFormatEx)) {
        return soundText(type);
    }
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) || IsEqualGUID(type.formattype, FORMAT_MPEGVideo)) {
        VIDEOINFOHEADER info{};
        return readFormat(type, info) ? pictureText(info.bmiHeader, info.AvgTimePerFrame) : std::string();
    }
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) || IsEqualGUID(type.formattype, FORMAT_MPEG2Video)) {
        VIDEOINFOHEADER2 info{};
        if (!readFormat(type, info)) {
            return {};
        }
        std::snprintf(text, sizeof text, ", picture %lu:%lu", static_cast<unsigned long>(info.dwPictAspectRatioX),
                      static_cast<unsigned long>(info.dwPictAspectRatioY));
        return pictureText(info.bmiHeader, info.AvgTimePerFrame) + text;
    }
    return {};
}

}  // namespace

std::string guidText(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(guid.Data1), unsigned{guid.Data2}, unsigned{guid.Data3},
                  unsigned{guid.Data4[0]}, unsigned{guid.Data4[1]}, unsigned{guid.Data4[2]}, unsigned{guid.Data4[3]},
                  unsigned{guid.Data4[4]}, unsigned{guid.Data4[5]}, unsigned{guid.Data4[6]}, unsigned{guid.Data4[7]});
    return text;
}

std::string majorTypeName(const GUID& major)
{
    const char* const name = nameIn(majorTypes, major);
    return name != nullptr ? name : guidText(major);
}

std::string subtypeName(const GUID& subtype)
{
    if (const char* const name = nameIn(namedSubtypes, subtype)) {
        return name;
    }
    if (!isFromTag(subtype)) {
        return guidText(subtype);
    }
    const DWORD tag = subtype.Data1;
    if (tag <= 0xFFFF) {
        for (const NamedTag& entry : waveTags) {
            if (entry.tag == tag) {
                return entry.name;
            }
        }
        char text[24];
        std::snprintf(text, sizeof text, "wave tag 0x%04lx", static_cast<unsigned long>(tag));
        return text;
    }
    std::string fourcc;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = static_cast<char>((tag >> shift) & 0xFF);
        fourcc.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    return fourcc;
}

std::string formatTypeName(const GUID& formatType)
{
    const char* const name = nameIn(formatTypes, formatType);
    return name != nullptr ? name : guidText(formatType);
}

std::string describeMediaType(const AM_MEDIA_TYPE& type)
{
    std::string text = "major " + majorTypeName(type.majortype) + ", subtype " + subtypeName(type.subtype) +
                       ", format " + formatTypeName(type.formattype);
    if (const std::string details = formatDetails(type); !details.empty()) {
        text += ": " + details;
    }
    return text;
}

std::string resultText(HRESULT result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
    for (const NamedResult& entry : results) {
        if (entry.result == result) {
            return std::string(text) + " " + entry.name;
        }
    }
    return text;
}

std::string eventName(long code)
{
    for (const NamedEvent& entry : events) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return "event " + std::to_string(code);
}

}  // namespace telvia::probe
