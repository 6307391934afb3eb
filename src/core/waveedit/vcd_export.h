// A document as a VCD file (IEEE 1364): one variable per label in table order, a one-bit label as
// a wire, a bus as a vector of its width with its first record as the most significant bit; the
// command label is left out. One time step per sample of the used length, in the unit that fits
// the base frequency (a base frequency of 0 or less is refused). Written through a temporary
// file, so a failure keeps an old file.
#pragma once

#include "support/strings.h"
#include "waveedit/document.h"

#include <string>

namespace qv {

// A label name as a VCD reference: blanks and other non-printing characters become '_', and so
// does a leading '$' (a keyword's mark); an empty name becomes "label" and its row number.
std::string vcdReferenceName(const LabelRecord& head, int row);

Msg exportVcd(const std::string& path, const Document& doc);

} // namespace qv
