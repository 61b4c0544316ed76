#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace core {

// The preferred-number series of resistor values (IEC 60063).
enum class Series { E6, E12, E24, E48, E96 };

inline constexpr Series kAllSeries[] = {Series::E6, Series::E12, Series::E24, Series::E48,
                                        Series::E96};

// "E6" to "E96".
std::string_view SeriesName(Series series);

// The series' values in one decade as whole numbers: two digits (10 to 91)
// for E6 to E24, three digits (100 to 976) for E48 and E96.
std::span<const int> SeriesMantissas(Series series);

// Every standard value from 1 ohm to 10 Mohms, both included, in ascending
// order. Each is the double nearest to its decimal, read from text such as
// "47e2": a product of mantissa and power of ten can land one unit off.
const std::vector<double>& StandardValues(Series series);

// The largest standard value not above `ohms` and the smallest not below it:
// one value when `ohms` is standard, none when it lies outside the range.
std::vector<double> Candidates(double ohms, Series series);

// How near a value must be to a series value to count as that value, as a
// share of it: 6.8e-6 worked out as 6.8000000001e-6 is still 6.8 uF.
inline constexpr double kSeriesTolerance = 1e-9;

// The smallest value of the series, in any decade, at or above `value`
// (finite, above 0), each the double nearest to its decimal: capacitors as
// well as resistors.
double RoundUpToSeries(double value, Series series);

}  // namespace core
