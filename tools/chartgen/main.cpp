// Generates the xy chart's three images from the spectral loci (and, for the white-LED chart,
// Robertson's isotemperature lines) in src/colour/data:
//   lumivex-chartgen <data folder> <output folder>
#include "Bmp.h"
#include "Chart.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

using namespace lumivex::chartgen;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <data folder> <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    const std::filesystem::path out = argv[2];
    try {
        std::filesystem::create_directories(out);
        const auto locus2 = ReadLocus((data / "cie1931_2deg_locus.csv").string());
        const auto locus10 = ReadLocus((data / "cie1964_10deg_locus.csv").string());
        const auto robertson = ReadRobertson((data / "robertson1968.csv").string());
        const std::vector<int> wavelengths {
            460, 470, 480, 490, 500, 510, 520, 530, 540, 550, 560, 570, 580, 590, 600, 620, 700};

        ChartOptions observer2 {640, ChartStyle::Observer, locus2, wavelengths, {"CIE 1931", "2\xB0 observer"}, {}};
        // 24 bits, no colour table.
        WriteFile((out / "CIE1931_2.bmp").string(), EncodeBmp24(RenderChart(observer2)));

        ChartOptions observer10 {640, ChartStyle::Observer, locus10, wavelengths, {"CIE 1964", "10\xB0 observer"}, {}};
        // 8 bits with a colour table, so that both kinds of bitmap are in use.
        const auto inks = ChartInks(ChartStyle::Observer);
        WriteFile((out / "CIE1964_10.bmp").string(), EncodeBmp8(RenderChart(observer10), inks));

        ChartOptions whiteLed {640, ChartStyle::WhiteLed, locus2, wavelengths,
            {"CIE 1931 2\xB0", "Planckian locus", "CCT in K"}, robertson};
        WriteFile((out / "CIE-Normfarbtafel.bmp").string(), EncodeBmp24(RenderChart(whiteLed)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumivex-chartgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
