#pragma once
// The four corner labels, Label1 to Label4, as the pass writes them.

#include "core/big_float.h"

#include <string>

namespace vantorel {

// A view that doubles draw shows each corner in the general number format
// and no detail. A deep view shows each corner to the place where it and the
// other corner of its axis differ: rounded to about a thousandth of the span
// (10^(S-2) with 10^S <= span < 10^(S+1), S from the span's binary exponent),
// and when that is longer than a label holds, its leading characters, an
// ellipsis and its last five digits (and exponent). Each label's detail then
// holds the corner's exact decimal.
void writeCornerLabels();

// The caption of a deep view's corner whose axis spans `span`.
std::string deepCornerCaption(const BigFloat& corner, const BigFloat& span, const std::string& separator);

// The longest deep caption, in characters (the ellipsis counted as one):
// three fewer than the longest general-format caption,
// "-1.23456789012345e-308", so that it fits wherever that fits.
constexpr std::size_t LongestDeepCaption = 19;

}  // namespace vantorel
