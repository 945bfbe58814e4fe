#include "tool/passPhrase.h"

#include <fcntl.h>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

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
