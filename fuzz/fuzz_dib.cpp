// Any bytes as a chart bitmap: reading must fail cleanly or give an image whose sizes the file
// really holds, and reading from a file must agree with reading from memory.
#include "colour/CDib.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    lumivex::CDib dib;
    const bool ok = dib.Read(bytes);
    if (!ok) {
        if (!dib.IsEmpty() || dib.ImageSize() != 0 || dib.ColourCount() != 0)
            std::abort();
    } else {
        if (dib.ImageSize() + dib.Info().size() + 14 > size)
            std::abort();
        if (static_cast<std::size_t>(dib.ColourCount()) * 4 + 40 > dib.Info().size())
            std::abort();
        const auto pixels = dib.ToArgb32();
        if (dib.Width() > 0 && dib.Height() > 0
            && pixels.size() != static_cast<std::size_t>(dib.Width()) * static_cast<std::size_t>(dib.Height()))
            std::abort();
    }

    if (size == 0)
        return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    lumivex::CDib fromFile;
    const bool fileOk = fromFile.Read(file);
    std::fclose(file);
    if (fileOk != ok)
        std::abort();
    if (ok) {
        const auto a = dib.Bits();
        const auto b = fromFile.Bits();
        if (a.size() != b.size() || !std::equal(a.begin(), a.end(), b.begin()) || dib.Width() != fromFile.Width())
            std::abort();
    }
    return 0;
}
