#pragma once
// Known-answer vectors kept as data files under tests/vectors/. A file is a run of records
// separated by blank lines; a record is "key = value" lines (the value is everything after the
// first '=', spaces around it trimmed, so "key =" gives an empty value). Lines starting with '#'
// are notes; every file must carry one starting "# Source:" that says where its values came from.
#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECCrypt/text/charMasks.h"

namespace eccrypt::testsupport {

using TVectorRecord = std::map<std::string, std::string>;

inline std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The records of tests/vectors/<name>. Throws std::runtime_error when the file cannot be read,
// has no source note or no records, or holds a malformed or repeated line: a vector file that
// went missing or astray must fail its test, not pass it with nothing to check.
inline std::vector<TVectorRecord> ReadVectorFile(const std::string& name) {
  const std::string path = std::string(ECCRYPT_TEST_VECTOR_DIR) + "/" + name;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<TVectorRecord> records;
  bool hasSource = false;
  bool inRecord = false;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = path + ":" + std::to_string(number);
    if (line.starts_with('#')) {
      hasSource = hasSource || line.starts_with("# Source:");
      continue;
    }
    if (Trimmed(line).empty()) {
      inRecord = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) throw std::runtime_error(where + ": no '=' in the line");
    const std::string key = Trimmed(line.substr(0, equals));
    if (key.empty()) throw std::runtime_error(where + ": no key before '='");
    if (!inRecord) records.emplace_back();
    inRecord = true;
    if (!records.back().emplace(key, Trimmed(line.substr(equals + 1))).second) {
      throw std::runtime_error(where + ": key '" + key + "' repeated in one record");
    }
  }
  if (!hasSource) throw std::runtime_error(path + ": no '# Source:' note");
  if (records.empty()) throw std::runtime_error(path + ": no records");
  return records;
}

// The value of key in record; throws std::runtime_error naming a missing key.
inline const std::string& Field(const TVectorRecord& record, const std::string& key) {
  const auto found = record.find(key);
  if (found == record.end()) throw std::runtime_error("vector record has no '" + key + "'");
  return found->second;
}

// The one record of tests/vectors/<name>; throws std::runtime_error when it holds more.
inline TVectorRecord ReadSingleVector(const std::string& name) {
  std::vector<TVectorRecord> records = ReadVectorFile(name);
  if (records.size() != 1) throw std::runtime_error(name + ": expected one record");
  return records.front();
}

// The bytes a hexadecimal text spells, two digits a byte, read with the library's digit table;
// throws std::runtime_error on an odd length or a character that is not a hexadecimal digit.
inline std::vector<std::uint8_t> BytesFromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw std::runtime_error("odd-length hexadecimal text: '" + hex + "'");
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    std::uint64_t highValid = 0;
    std::uint64_t lowValid = 0;
    const std::uint64_t high = textct::HexDigitValue(static_cast<unsigned char>(hex[i]), highValid);
    const std::uint64_t low =
        textct::HexDigitValue(static_cast<unsigned char>(hex[i + 1]), lowValid);
    if ((highValid & lowValid) == 0) {
      throw std::runtime_error("not a hexadecimal text: '" + hex + "'");
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

}  // namespace eccrypt::testsupport
