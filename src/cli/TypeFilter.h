// Type filters from the command line's --types and --ext options, in the form the engines'
// SearchEntries and the store's FilterEntries take: type lists joined by "|", ".other" for files
// of no listed type.
#pragma once

#include <string>
#include <vector>

namespace keldrin::cli {

// The categories in the order summaries show them; the names match the recovery folders.
const std::vector<std::string>& CategoryNames();

// "photo,audio,..." -> the filter of those categories ("others" adds ".other"). Empty list = all.
// On an unknown name returns false with *error naming it.
bool FilterFromCategories(const std::vector<std::string>& categories, std::string* filter,
                          std::string* error);
// "jpg,png" (also ".jpg" or "*.jpg") -> "*.jpg|*.png".
bool FilterFromExtensions(const std::vector<std::string>& extensions, std::string* filter,
                          std::string* error);

}  // namespace keldrin::cli
