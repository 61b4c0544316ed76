#include "core/ESeries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace core {
namespace {

constexpr std::array<int, 6> kE6 = {10, 15, 22, 33, 47, 68};
constexpr std::array<int, 12> kE12 = {10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
constexpr std::array<int, 24> kE24 = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                      33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
// The standard's three-digit values; E48 is every other one of them.
constexpr std::array<int, 96> kE96 = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};

constexpr std::array<int, 48> EveryOther(const std::array<int, 96>& all) {
    std::array<int, 48> half{};
    for (std::size_t i = 0; i < half.size(); ++i) half[i] = all[2 * i];
    return half;
}
constexpr std::array<int, 48> kE48 = EveryOther(kE96);

constexpr double kLowest = 1;
constexpr double kHighest = 1e7;

// The double nearest to mantissa x 10^exponent, from its decimal text.
double Decimal(int mantissa, int exponent) {
    const std::string text = std::to_string(mantissa) + "e" + std::to_string(exponent);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::vector<double> MakeValues(Series series) {
    const std::span<const int> mantissas = SeriesMantissas(series);
    // Two-digit mantissas reach 1 ohm at 10e-1, three-digit ones at 100e-2.
    const int first = mantissas.front() >= 100 ? -2 : -1;
    std::vector<double> values;
    for (int exponent = first;; ++exponent) {
        for (int mantissa : mantissas) {
            const double value = Decimal(mantissa, exponent);
            if (value > kHighest) return values;
            if (value >= kLowest) values.push_back(value);
        }
    }
}

}  // namespace

std::string_view SeriesName(Series series) {
    switch (series) {
        case Series::E6:
            return "E6";
        case Series::E12:
            return "E12";
        case Series::E24:
            return "E24";
        case Series::E48:
            return "E48";
        case Series::E96:
            return "E96";
    }
    return "";
}

std::span<const int> SeriesMantissas(Series series) {
    switch (series) {
        case Series::E6:
            return kE6;
        case Series::E12:
            return kE12;
        case Series::E24:
            return kE24;
        case Series::E48:
            return kE48;
        case Series::E96:
            return kE96;
    }
    return {};
}

const std::vector<double>& StandardValues(Series series) {
    // Made once per series, on first use.
    static const std::array<std::vector<double>, 5> kValues = {
        MakeValues(Series::E6), MakeValues(Series::E12), MakeValues(Series::E24),
        MakeValues(Series::E48), MakeValues(Series::E96)};
    return kValues[static_cast<std::size_t>(series)];
}

std::vector<double> Candidates(double ohms, Series series) {
    const std::vector<double>& values = StandardValues(series);
    if (!(ohms >= values.front() && ohms <= values.back())) return {};
    // The first value not below `ohms`, and the one before it unless equal.
    const auto above = std::lower_bound(values.begin(), values.end(), ohms);
    if (*above == ohms) return {ohms};
    return {*(above - 1), *above};
}

double RoundUpToSeries(double value, Series series) {
    const std::span<const int> mantissas = SeriesMantissas(series);
    // A mantissa of d digits stands for mantissa x 10^(exponent - d + 1).
    const int digits = mantissas.front() >= 100 ? 3 : 2;
    const int decade = static_cast<int>(std::floor(std::log10(value)));
    // log10 may land one decade off near a power of ten: start one lower.
    for (int exponent = decade - 1;; ++exponent) {
        for (int mantissa : mantissas) {
            const double candidate = Decimal(mantissa, exponent - digits + 1);
            if (value <= candidate + kSeriesTolerance * candidate) return candidate;
        }
    }
}

}  // namespace core
