// The listing of a decoded binary, for a person first: one line per header
// field or event, with its offset, its bytes and what it means in the
// script's own words.
#pragma once

#include <functional>
#include <string>

#include "dump/decoded.h"

namespace psgc::dump {

// Receives the listing piece by piece, in order.
using ListingSink = std::function<void(const std::string&)>;

void WriteListing(const std::string& name, const uint8_t* data, const Decoded& decoded,
                  const ListingSink& sink);

}  // namespace psgc::dump
