// Readable descriptions of media types and result codes for the probe's report: the names
// of the major types, subtypes, format types, result codes and graph events it knows, and
// what a format block says about the picture or the sound.
#pragma once

#include <string>

#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::probe {

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
[[nodiscard]] std::string guidText(const GUID& guid);

// The name of a known GUID; a subtype made from a FOURCC or a wave format tag is named by
// it; anything else by its GUID text.
[[nodiscard]] std::string majorTypeName(const GUID& major);
[[nodiscard]] std::string subtypeName(const GUID& subtype);
[[nodiscard]] std::string formatTypeName(const GUID& formatType);

// "major Audio, subtype MP3, format WaveFormatEx: 48000 Hz, 2 channels". The format block
// is read only as far as its stated size reaches.
[[nodiscard]] std::string describeMediaType(const AM_MEDIA_TYPE& type);

// "0x80040240 VFW_E_UNKNOWN_FILE_TYPE", or the bare code when it has no name here.
[[nodiscard]] std::string resultText(HRESULT result);

// "EC_COMPLETE", or the number.
[[nodiscard]] std::string eventName(long code);

}  // namespace telvia::probe
