#pragma once
// The labelled lines of the tool's text files (protected key files, signature files): after a
// first line that names the format, each line starts with a fixed label and holds one value.
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace eccrypt::tool {

// The values of lines[1] to lines[N], each after its label: line i + 1 must start with
// labels[i]. The caller has checked that there are N + 1 lines. Otherwise throws what `fault`
// makes of a message naming the first line without its label (counting lines from 1).
template <std::size_t N, typename Fault>
std::array<std::string_view, N> LabelledValues(std::span<const std::string_view> lines,
                                               const std::array<std::string_view, N>& labels,
                                               const Fault& fault) {
  std::array<std::string_view, N> values;
  for (std::size_t i = 0; i < N; ++i) {
    if (!lines[i + 1].starts_with(labels[i])) {
      throw fault("line " + std::to_string(i + 2) + " does not start with '" +
                  std::string(labels[i]) + "'");
    }
    values[i] = lines[i + 1].substr(labels[i].size());
  }
  return values;
}

}  // namespace eccrypt::tool
