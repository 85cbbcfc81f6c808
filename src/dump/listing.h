// The listing of a decoded binary, for a person first: one line per header
// field or event, with its offset, its bytes and what it means in the
// script's own words.
#pragma once

#include <string>

#include "dump/decoded.h"

namespace psgc::dump {

std::string WriteListing(const std::string& name, const uint8_t* data, const Decoded& decoded);

}  // namespace psgc::dump
