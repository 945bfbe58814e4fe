#include "tool/passPhrase.h"

#include <fcntl.h>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "tool/fileIo.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// No look-alikes (l, o, 0, 1), so a phrase copied by hand stays right.
constexpr char kPhraseAlphabet[] = "abcdefghijkmnpqrstuvwxyz23456789";
constexpr std::size_t kPhraseLetters = 30;

// Reads one line from the terminal with echo switched off.
void PromptWithoutEcho(int tty, const char* prompt, TSecretString& line) {
  if (::write(tty, prompt, std::strlen(prompt)) < 0) {
    throw TToolError("cannot write to the terminal");
  }
  termios saved{};
  const bool restore = ::tcgetattr(tty, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(tty, TCSANOW, &quiet);
  }
  line.str().clear();
  line.str().reserve(kMaxPassPhraseBytes);  // no reallocation leaves part of the phrase behind
  char c = 0;
  for (;;) {
    const ssize_t got = ::read(tty, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // End of input (Ctrl-D): end the prompt's line, as Enter would have; should that write
      // fail, only the layout suffers.
      const ssize_t ignored = ::write(tty, "\n", 1);
      static_cast<void>(ignored);
      break;
    }
    if (c == '\n') break;
    if (line.str().size() >= kMaxPassPhraseBytes) continue;
    line.str().push_back(c);
  }
  c = 0;
  if (restore) ::tcsetattr(tty, TCSANOW, &saved);
  if (!line.str().empty() && line.str().back() == '\r') line.str().pop_back();
}

void PromptTwice(TSecretString& phrase) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) {
    throw TToolError("cannot open the terminal to ask for a pass phrase",
                     "use --passphrase-file FILE, or pipe the pass phrase to standard input");
  }
  TSecretString again;
  try {
    PromptWithoutEcho(tty, "Pass phrase: ", phrase);
    // An empty phrase is refused by the caller; asking for it again would only delay that.
    if (!phrase.str().empty()) PromptWithoutEcho(tty, "Repeat pass phrase: ", again);
  } catch (...) {
    ::close(tty);
    throw;
  }
  ::close(tty);
  if (phrase.str() != again.str()) {
    throw TToolError("the two pass phrases differ",
                     "run the command again and type the same "
                     "phrase twice");
  }
}

struct TRange {
  char32_t first;
  char32_t last;
};

// The characters that show nothing: White_Space, general categories Cc and Cf (Unicode 15.1),
// in order.
constexpr std::array<TRange, 25> kInvisible = {{
    {0x0000, 0x0020},   {0x007F, 0x00A0},   {0x00AD, 0x00AD},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x1680, 0x1680},   {0x180E, 0x180E},   {0x2000, 0x200F},
    {0x2028, 0x202F},   {0x205F, 0x2064},   {0x2066, 0x206F},   {0x3000, 0x3000},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
}};

bool IsInvisible(char32_t c) {
  const auto* range =
      std::upper_bound(kInvisible.begin(), kInvisible.end(), c,
                       [](char32_t value, const TRange& r) { return value < r.first; });
  return range != kInvisible.begin() && c <= std::prev(range)->last;
}

bool IsLineBreak(char32_t c) {
  return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The UTF-8 character at the start of `bytes` and its length, or nothing when the bytes there
// are no well-formed character (RFC 3629: no overlong forms, surrogates or values above
// U+10FFFF).
std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8(std::string_view bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return std::pair{char32_t{lead}, std::size_t{1}};
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return std::nullopt;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return std::nullopt;
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (byte(i) & 0x3F);
  }
  return std::pair{c, length};
}

}  // namespace

std::optional<TPassPhraseFault> NewPassPhraseFault(std::string_view phrase) {
  if (phrase.empty()) return TPassPhraseFault::Empty;
  bool visible = false;
  while (!phrase.empty()) {
    const auto decoded = DecodeUtf8(phrase);
    if (!decoded) {
      visible = true;  // not UTF-8: a byte of some other encoding, which shows as something
      phrase.remove_prefix(1);
      continue;
    }
    const char32_t c = decoded->first;
    if (c == 0) return TPassPhraseFault::Nul;
    if (IsLineBreak(c)) return TPassPhraseFault::LineBreak;
    visible = visible || !IsInvisible(c);
    phrase.remove_prefix(decoded->second);
  }
  if (!visible) return TPassPhraseFault::Blank;
  return std::nullopt;
}

void ReadPassPhrase(const std::optional<std::string>& file, TSecretString& phrase) {
  if (file) {
    phrase.str() = ReadSmallFile(*file, kMaxPassPhraseBytes, "pass-phrase file");
  } else if (IsStdinTerminal()) {
    PromptTwice(phrase);
    return;
  } else {
    phrase.str() = ReadSmallFile("-", kMaxPassPhraseBytes, "pass phrase on standard input");
  }
  std::string& text = phrase.str();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
}

bool AskPassPhrase(const std::string& prompt, TSecretString& phrase) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) return false;
  try {
    PromptWithoutEcho(tty, prompt.c_str(), phrase);
  } catch (...) {
    ::close(tty);
    throw;
  }
  ::close(tty);
  return true;
}

void RandomPassPhrase(TSecretString& phrase) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  std::string& text = phrase.str();
  text.clear();
  text.reserve(kPhraseLetters + kPhraseLetters / 5);
  for (std::size_t i = 0; i < kPhraseLetters; ++i) {
    if (i != 0 && i % 5 == 0) text.push_back('-');
    text.push_back(kPhraseAlphabet[randombytes_uniform(sizeof kPhraseAlphabet - 1)]);
  }
}

std::optional<std::string> PassPhraseWarning(const std::string& phrase) {
  if (phrase.empty()) {
    return "the pass phrase is empty: anyone can recreate this key pair. Keys come from the "
           "pass phrase alone; choose a long random phrase, or use --random.";
  }
  if (phrase.size() < kShortPassPhrase) {
    return "the pass phrase is short (" + std::to_string(phrase.size()) +
           " characters): keys come from the pass phrase alone, with no salt and no "
           "stretching, so a guessable phrase means a guessable key. Use " +
           std::to_string(kShortPassPhrase) + " or more random characters, or --random.";
  }
  return std::nullopt;
}

}  // namespace eccrypt::tool
