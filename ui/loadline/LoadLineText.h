#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/BiasPoint.h"
#include "core/LoadLine.h"
#include "core/Spread.h"

// What the load line window says of its line and its spread.
namespace ui {

// "active region", "saturation" or "cut-off".
std::string_view RegionName(core::Region region);

// The picture's description for assistive technology:
// "Load line: Vce = 12.00 V at Ic = 0, Ic = 4.486e-3 A at Vce = 0. Q point:
// Vce = 4.121 V, Ic = 2.946e-3 A, active region." or "No load line: <reason>."
std::string Describe(const core::LoadLine& line);

// The sentence under the picture: the region and what it means for the
// numbers of the result lines, or why there is no line.
std::string RegionSentence(const core::LoadLine& line);

// The part of the load line picture's description that tells the spread,
// with its leading blank: " Spread over 32 corners: ..." or " No spread: ...".
std::string DescribeSpread(const core::Spread& spread);

// The sentence under the region sentence: what was varied, which corners
// leave the active region, and Ic's range; or why there is no spread.
std::string SpreadSentence(const core::Spread& spread, const core::SpreadSettings& settings);

// The table as shown: a header row, then one row per SpreadQuantity, each a
// label and the lowest, nominal and highest values. Without a spread only
// the nominal column is filled.
using SpreadTableRow = std::array<std::string, 4>;
std::vector<SpreadTableRow> SpreadTable(const core::Spread& spread, const core::BiasPoint& nominal);

// Rows as tab-separated lines, each ending in a line feed.
std::string TabSeparated(const std::vector<SpreadTableRow>& rows);

}  // namespace ui
