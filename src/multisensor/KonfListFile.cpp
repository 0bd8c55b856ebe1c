#include "multisensor/KonfListFile.h"

#include <bit>
#include <cstdio>
#include <memory>
#include <string_view>

namespace lumivex {
namespace {

void put16(KonfRecordBytes& out, std::size_t offset, std::uint16_t value)
{
    out[offset] = static_cast<std::uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(KonfRecordBytes& out, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putText(KonfRecordBytes& out, std::size_t offset, const ShortText& text)
{
    const auto& bytes = text.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[offset + i] = static_cast<std::uint8_t>(bytes[i]);
}

std::uint16_t get16(std::span<const std::uint8_t, kKonfRecordSize> in, std::size_t offset)
{
    return static_cast<std::uint16_t>(in[offset] | (in[offset + 1] << 8));
}

std::uint32_t get32(std::span<const std::uint8_t, kKonfRecordSize> in, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(in[offset + i]) << (8 * i);
    return value;
}

ShortText getText(std::span<const std::uint8_t, kKonfRecordSize> in, std::size_t offset)
{
    const std::string_view raw(reinterpret_cast<const char*>(in.data() + offset), ShortText::kBytes);
    return ShortText(raw);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

KonfRecordBytes encodeKonfRecord(const CKonfList& r)
{
    KonfRecordBytes out {};
    put16(out, 0, static_cast<std::uint16_t>(r.Index));
    put16(out, 2, static_cast<std::uint16_t>(r.SensorNo));
    out[4] = r.TestMode;
    out[5] = r.MeasureTime;
    out[6] = r.Range;
    out[7] = r.PwmRuns;
    put16(out, 8, static_cast<std::uint16_t>(r.UserTime));
    put16(out, 10, static_cast<std::uint16_t>(r.Gain));
    putText(out, 12, r.XOffset);
    putText(out, 20, r.YOffset);
    put16(out, 28, static_cast<std::uint16_t>(r.DevIntensPercent));
    put16(out, 30, static_cast<std::uint16_t>(r.DevXYPercent));
    put16(out, 32, r.ChangeFlags);
    put16(out, 34, r.OptionFlags);
    put16(out, 36, static_cast<std::uint16_t>(r.DevIntensAbs));
    put32(out, 40, std::bit_cast<std::uint32_t>(r.DevXYAbs));
    putText(out, 44, r.Distance);
    return out;
}

CKonfList decodeKonfRecord(std::span<const std::uint8_t, kKonfRecordSize> in)
{
    CKonfList r;
    r.Index = static_cast<std::int16_t>(get16(in, 0));
    r.SensorNo = static_cast<std::int16_t>(get16(in, 2));
    r.TestMode = in[4];
    r.MeasureTime = in[5];
    r.Range = in[6];
    r.PwmRuns = in[7];
    r.UserTime = static_cast<std::int16_t>(get16(in, 8));
    r.Gain = static_cast<std::int16_t>(get16(in, 10));
    r.XOffset = getText(in, 12);
    r.YOffset = getText(in, 20);
    r.DevIntensPercent = static_cast<std::int16_t>(get16(in, 28));
    r.DevXYPercent = static_cast<std::int16_t>(get16(in, 30));
    r.ChangeFlags = get16(in, 32);
    r.OptionFlags = get16(in, 34);
    r.DevIntensAbs = static_cast<std::int16_t>(get16(in, 36));
    r.DevXYAbs = std::bit_cast<float>(get32(in, 40));
    r.Distance = getText(in, 44);
    return r;
}

std::optional<std::string> readBoundedFile(const std::string& path, std::size_t maxBytes)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char block[4096];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        if (bytes.size() + got > maxBytes)
            return std::nullopt;
        bytes.append(block, got);
        if (got < sizeof block)
            break;
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

} // namespace lumivex
