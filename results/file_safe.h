// A file-safe form of a name for the files Tavo makes from names (charts, an imported case).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace results {

// Latin letters without their accents, digits, '.', '-' and '_'; every other run of
// characters one '_'; no '_' or '.' at the end; at most `max` characters. Empty when nothing of
// the name is left. `utf8` is UTF-8.
std::string file_safe(std::string_view utf8, std::size_t max = 60);

}  // namespace results
