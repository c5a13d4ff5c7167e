#include "playback/stream/container/h264_sps.h"

#include <array>

#include "playback/stream/container/bit_reader.h"

namespace telvia::stream {

namespace {

// Pixel aspect ratios by aspect_ratio_idc 1..16.
constexpr std::array<std::array<std::uint16_t, 2>, 16> aspectRatios = {{
    {1, 1}, {12, 11}, {10, 11}, {16, 11}, {40, 33}, {24, 11}, {20, 11}, {32, 11},
    {80, 33}, {18, 11}, {15, 11}, {64, 33}, {160, 99}, {4, 3}, {3, 2}, {2, 1},
}};
constexpr std::uint32_t extendedSar = 255;

// False for a list whose steps leave the range the standard gives them (-128 to 127): no
// encoder writes one, and the sum would not stay small.
bool skipScalingList(BitReader& reader, int size)
{
    int last = 8;
    int next = 8;
    for (int j = 0; j < size && !reader.overrun(); ++j) {
        if (next != 0) {
            const std::int32_t delta = reader.signedGolomb();
            if (delta < -128 || delta > 127) {
                return false;
            }
            next = (last + delta + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
    return true;
}

bool hasChromaInfo(std::uint8_t profile)
{
    switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128:
    case 138: case 139: case 134: case 135:
        return true;
    default:
        return false;
    }
}

void readVui(BitReader& reader, H264Sps& sps)
{
    if (reader.flag()) {  // aspect_ratio_info_present_flag
        const std::uint32_t idc = reader.bits(8);
        if (idc == extendedSar) {
            sps.sarWidth = reader.bits(16);
            sps.sarHeight = reader.bits(16);
        } else if (idc >= 1 && idc <= aspectRatios.size()) {
            sps.sarWidth = aspectRatios[idc - 1][0];
            sps.sarHeight = aspectRatios[idc - 1][1];
        }
        if (sps.sarWidth == 0 || sps.sarHeight == 0) {
            sps.sarWidth = sps.sarHeight = 1;  // "unspecified"
        }
    }
    if (reader.flag()) {  // overscan_info_present_flag
        reader.skip(1);
    }
    if (reader.flag()) {  // video_signal_type_present_flag
        reader.skip(4);
        if (reader.flag()) {  // colour_description_present_flag
            reader.skip(24);
        }
    }
    if (reader.flag()) {  // chroma_loc_info_present_flag
        reader.unsignedGolomb();
        reader.unsignedGolomb();
    }
    if (reader.flag()) {  // timing_info_present_flag
        const std::uint32_t unitsInTick = reader.bits(32);
        const std::uint32_t timeScale = reader.bits(32);
        const bool fixedFrameRate = reader.flag();
        // Without the fixed rate flag the ticks are only the clock's resolution, not a
        // frame's length (2000000 ticks a second is common): they tell no frame rate.
        // A frame is two fields, hence two ticks.
        if (!reader.overrun() && fixedFrameRate && unitsInTick != 0 && timeScale != 0) {
            sps.frameRateNumerator = timeScale;
            sps.frameRateDenominator = static_cast<std::uint32_t>(std::uint64_t{unitsInTick} * 2 > 0xFFFFFFFFu
                                                                      ? 0xFFFFFFFFu
                                                                      : unitsInTick * 2);
        }
    }
}

}  // namespace

std::vector<std::uint8_t> unescapeRbsp(std::span<const std::uint8_t> nal)
{
    std::vector<std::uint8_t> out;
    out.reserve(nal.size());
    int zeros = 0;
    for (const std::uint8_t byte : nal) {
        if (zeros >= 2 && byte == 0x03) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        out.push_back(byte);
    }
    return out;
}

std::optional<H264Sps> parseH264Sps(std::span<const std::uint8_t> nal)
{
    if (nal.size() < 4 || (nal[0] & 0x1F) != 7) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> rbsp = unescapeRbsp(nal.subspan(1));
    BitReader reader(rbsp);
    H264Sps sps;
    sps.profileIdc = static_cast<std::uint8_t>(reader.bits(8));
    sps.constraintFlags = static_cast<std::uint8_t>(reader.bits(8));
    sps.levelIdc = static_cast<std::uint8_t>(reader.bits(8));
    sps.spsId = reader.unsignedGolomb();
    if (sps.spsId > 31) {
        return std::nullopt;
    }
    bool separateColourPlanes = false;
    if (hasChromaInfo(sps.profileIdc)) {
        sps.chromaFormatIdc = reader.unsignedGolomb();
        if (sps.chromaFormatIdc > 3) {
            return std::nullopt;
        }
        if (sps.chromaFormatIdc == 3) {
            separateColourPlanes = reader.flag();
        }
        reader.unsignedGolomb();  // bit_depth_luma_minus8
        reader.unsignedGolomb();  // bit_depth_chroma_minus8
        reader.skip(1);           // qpprime_y_zero_transform_bypass_flag
        if (reader.flag()) {      // seq_scaling_matrix_present_flag
            const int lists = sps.chromaFormatIdc == 3 ? 12 : 8;
            for (int i = 0; i < lists && !reader.overrun(); ++i) {
                if (reader.flag() && !skipScalingList(reader, i < 6 ? 16 : 64)) {
                    return std::nullopt;
                }
            }
        }
    }
    reader.unsignedGolomb();  // log2_max_frame_num_minus4
    const std::uint32_t pocType = reader.unsignedGolomb();
    if (pocType == 0) {
        reader.unsignedGolomb();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (pocType == 1) {
        reader.skip(1);           // delta_pic_order_always_zero_flag
        reader.signedGolomb();    // offset_for_non_ref_pic
        reader.signedGolomb();    // offset_for_top_to_bottom_field
        const std::uint32_t cycle = reader.unsignedGolomb();
        if (cycle > 255) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < cycle && !reader.overrun(); ++i) {
            reader.signedGolomb();
        }
    } else if (pocType != 2) {
        return std::nullopt;
    }
    reader.unsignedGolomb();  // max_num_ref_frames
    reader.skip(1);           // gaps_in_frame_num_value_allowed_flag
    const std::uint64_t widthInMbs = std::uint64_t{reader.unsignedGolomb()} + 1;
    const std::uint64_t heightInMapUnits = std::uint64_t{reader.unsignedGolomb()} + 1;
    const bool frameMbsOnly = reader.flag();
    if (!frameMbsOnly) {
        reader.skip(1);  // mb_adaptive_frame_field_flag
    }
    reader.skip(1);  // direct_8x8_inference_flag
    std::uint64_t cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    if (reader.flag()) {
        cropLeft = reader.unsignedGolomb();
        cropRight = reader.unsignedGolomb();
        cropTop = reader.unsignedGolomb();
        cropBottom = reader.unsignedGolomb();
    }
    if (reader.flag()) {  // vui_parameters_present_flag
        readVui(reader, sps);
    }
    if (reader.overrun()) {
        return std::nullopt;
    }
    // Cropping counts in chroma samples: two luma columns and rows in 4:2:0, and rows
    // count twice again when the picture is coded as fields.
    const bool monochrome = sps.chromaFormatIdc == 0 || separateColourPlanes;
    const std::uint64_t cropUnitX = monochrome || sps.chromaFormatIdc == 3 ? 1 : 2;
    const std::uint64_t chromaRows = monochrome || sps.chromaFormatIdc != 1 ? 1 : 2;
    const std::uint64_t cropUnitY = chromaRows * (frameMbsOnly ? 1 : 2);
    const std::uint64_t codedWidth = widthInMbs * 16;
    const std::uint64_t codedHeight = heightInMapUnits * 16 * (frameMbsOnly ? 1 : 2);
    const std::uint64_t cutX = (cropLeft + cropRight) * cropUnitX;
    const std::uint64_t cutY = (cropTop + cropBottom) * cropUnitY;
    if (cutX >= codedWidth || cutY >= codedHeight || codedWidth > 16384 || codedHeight > 16384) {
        return std::nullopt;
    }
    sps.width = static_cast<std::uint32_t>(codedWidth - cutX);
    sps.height = static_cast<std::uint32_t>(codedHeight - cutY);
    return sps;
}

}  // namespace telvia::stream
