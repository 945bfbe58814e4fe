// eccrypt_timing: a fixed-versus-random-secret timing test of the operations that handle
// secrets, with libsodium's X25519 under the same harness as a control that must stay quiet.
//
// Each measurement's class is drawn at random (0: a fixed secret, 1: a fresh random one), its
// input made ahead outside the timed region, and the cycles of one operation counted with the
// serialising time-stamp counter. The counts of the two classes are then compared with Welch's t
// (leakageStats.h), first and second order, over the whole sample and cropped above several
// percentiles. |t| above 5 at a million measurements per class says the operation's time depends
// on the secret or on something else that differs between the classes (where their inputs lie in
// memory, for one; a control that changes only that tells them apart); below it, no dependence
// this test can see.
//
// Usage: eccrypt_timing [--measurements N] [--mode hex|base64] [--engine fast|reference]
//                       [--path NAME] [--seed S] [--pool P] [--fixed-copies C] [--same-key]
//                       [--time-load] [TARGET...]
//   N: measurements per class (default 100000; the first 1000 of each run are warm-up and
//      dropped). TARGET: decrypt, sign, signature, publickey, generator, makekey, x25519
//      (default: decrypt, sign, signature, makekey, x25519).
//   decrypt   TEllipticCurve::Decrypt, KeySecret fixed or random (one public ExchangedValue)
//   sign      TEllipticCurve::Sign on one digest, KeySecret fixed or random: keys made by MakeKey,
//             the fixed one from one pass phrase, the random ones from random 24-letter phrases
//             (a pool of P, default 100000, reused in turn), all with texts of one length; each
//             measurement sets KeySecret and clears Signature (untimed unless --time-load), then
//             signs with a fresh nonce, in both classes. The fixed class reads its text from C
//             copies in turn (default: as many as the pool has texts), the random class from
//             the pool's texts; copies and pool texts are allocated alternately, so that by
//             default both classes read texts of one spacing from one region. With C = 1 the
//             fixed text stays in cache while the pool's texts stream through it: a difference
//             between the classes that is not the key's, which shows as |t| of 20 to 60 in some
//             process runs and not in others. --same-key fills the pool with copies of the fixed
//             key's text: a control whose classes sign with one key and differ only in where
//             their texts lie, so that any |t| it shows comes from memory, not from the key;
//             --pool 1 --fixed-copies 1 compares two fixed keys read alike.
//   signature TECCrypt::MakeSignature, the nonce fixed or random (one key, one digest); random
//             nonces are drawn until r and s have the lengths the fixed nonce gives them, since
//             those lengths are public and the fixed class would otherwise have one of each
//   makekey   TEllipticCurve::MakeKey, PassPhrase fixed or random (same length)
//   publickey TECCrypt::MakePublicKey, the secret key fixed or random (15 digits)
//   generator TPRNG::Seed and MakeSecret, the pass phrase fixed or random (MakeKey's first half)
//   x25519    libsodium's crypto_scalarmult, the scalar fixed or random (control)
// --time-load counts the untimed preparation of each measurement (setting the properties) into
// its time as well. --path NAME runs the fast engine's field on one multiplication path
// (vpclmulqdq, pclmulqdq, portable; default: the best this CPU has). --engine reference runs the
// component on its variable-time reference arithmetic, a control that must be caught. Secrets of
// both classes have the same length, so that the length of their texts, which may show, is the
// same. Run it on an otherwise idle machine, pinned to one core (taskset -c 1); memory layout
// changes between process runs, so compare several runs, not one.
#include <sodium.h>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "leakageStats.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TEllipticCurve;
using eccrypt::TMode;
using eccrypt::TvlPoint;

// Cycles from the time-stamp counter, fenced so that the timed operation neither starts before
// the first read nor ends after the second.
std::uint64_t Cycles() {
#if defined(__x86_64__)
  unsigned aux = 0;
  _mm_lfence();
  const std::uint64_t t = __rdtscp(&aux);
  _mm_lfence();
  return t;
#else
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

constexpr std::array<std::uint8_t, 20> Digest{1, 6, 1, 8, 0, 3, 3, 9, 8, 8,
                                              7, 4, 9, 8, 9, 4, 8, 4, 8, 2};

// One operation under test. Inputs are made a batch at a time (Generate, untimed, the classes
// already drawn), so that what runs between two measurements is the same for both classes:
// Load copies the input of one slot into place (untimed), Run is the timed operation, Check
// (untimed) says whether it succeeded.
class TTarget {
 public:
  virtual ~TTarget() = default;
  virtual void Generate(std::size_t slot, int secretClass) = 0;
  virtual void Load(std::size_t slot) = 0;
  virtual void Run() = 0;
  virtual bool Check() const { return true; }
};

constexpr std::size_t BatchSize = 4096;

// An integer of exactly `digits` 16-bit digits (the top one nonzero).
TvlPoint RandomInteger(std::mt19937_64& rng, int digits) {
  TvlPoint v;
  v.Words[0] = digits;
  for (int i = 1; i <= digits; ++i) {
    v.Words[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rng() & 0xFFFF);
  }
  v.Words[static_cast<std::size_t>(digits)] |= 0x8000;
  return v;
}

std::string Text(const TvlPoint& v, TMode mode) {
  const std::string hex = eccrypt::IntegerToHex(v);
  return mode == TMode::Hex ? hex : eccrypt::HexToBase64(hex);
}

// Decrypt: the secret key text is fixed or random, 15 digits either way (as MakeKey's).
class TDecryptTarget : public TTarget {
 public:
  TDecryptTarget(std::mt19937_64& rng, TMode mode) : rng_(rng), mode_(mode), inputs_(BatchSize) {
    c_.SetIOMode(mode);
    c_.SetPassPhrase("timing test");
    c_.MakeKey();
    c_.Encrypt();
    fixed_ = Text(RandomInteger(rng_, 15), mode);
  }
  void Generate(std::size_t slot, int secretClass) override {
    inputs_[slot] = secretClass == 0 ? fixed_ : Text(RandomInteger(rng_, 15), mode_);
  }
  void Load(std::size_t slot) override {
    c_.SetKeySecret(inputs_[slot]);
    c_.SetKeySession("");
  }
  void Run() override { c_.Decrypt(); }
  bool Check() const override { return !c_.KeySession().empty(); }

 private:
  std::mt19937_64& rng_;
  TMode mode_;
  TEllipticCurve c_;
  std::string fixed_;
  std::vector<std::string> inputs_;
};

std::string RandomPhrase(std::mt19937_64& rng, std::size_t length = 20) {
  std::string p(length, 'a');
  for (char& ch : p) ch = static_cast<char>('a' + rng() % 26);
  return p;
}

// Sign: secret keys as MakeKey makes them from pass phrases, the fixed one from one phrase and
// the random ones from a pool made ahead (MakeKey is slower than Sign's preparation should be).
// The classes read their texts from separate copies: the fixed class from fixedCopies copies of
// its text in turn (0: as many as the pool has texts), the random class from the pool's texts in
// turn; only those with the fixed text's length are kept, so that the texts' length says nothing.
class TSignTarget : public TTarget {
 public:
  TSignTarget(std::mt19937_64& rng, TMode mode, std::size_t poolSize, std::size_t fixedCopies,
              bool sameKey)
      : inputs_(BatchSize) {
    c_.SetIOMode(mode);
    const std::string fixedText = KeyText(RandomPhrase(rng, 24));
    std::vector<std::string> drawn;
    drawn.reserve(poolSize);
    while (drawn.size() < std::max<std::size_t>(poolSize, 1)) {
      std::string text = sameKey ? fixedText : KeyText(RandomPhrase(rng, 24));
      if (text.size() == fixedText.size()) drawn.push_back(std::move(text));
    }
    // The copies read in the measurements are allocated in one pass, a fixed copy next to each
    // pool text, so that with as many copies as pool texts both classes read texts of the same
    // spacing from one region.
    const std::size_t copies = fixedCopies == 0 ? drawn.size() : fixedCopies;
    fixed_.reserve(copies);
    pool_.reserve(drawn.size());
    for (std::size_t i = 0; i < std::max(copies, drawn.size()); ++i) {
      if (i < copies) fixed_.emplace_back(fixedText.data(), fixedText.size());
      if (i < drawn.size()) pool_.emplace_back(drawn[i].data(), drawn[i].size());
    }
  }
  void Generate(std::size_t slot, int secretClass) override {
    if (secretClass == 0) {
      inputs_[slot] = &fixed_[nextFixed_];
      nextFixed_ = (nextFixed_ + 1) % fixed_.size();
    } else {
      inputs_[slot] = &pool_[nextRandom_];
      nextRandom_ = (nextRandom_ + 1) % pool_.size();
    }
  }
  void Load(std::size_t slot) override {
    c_.SetKeySecret(*inputs_[slot]);
    c_.SetSignature("");
  }
  void Run() override { c_.Sign(Digest); }
  bool Check() const override { return !c_.Signature().empty(); }

 private:
  std::string KeyText(const std::string& phrase) {
    c_.SetPassPhrase(phrase);
    c_.MakeKey();
    return c_.KeySecret();
  }
  TEllipticCurve c_;
  std::vector<std::string> fixed_, pool_;
  std::size_t nextFixed_ = 0, nextRandom_ = 0;
  std::vector<const std::string*> inputs_;
};

// The signing primitive: the nonce is fixed or random, 17 digits either way (as FillRandom's).
// The lengths of r and s are public (the signature shows them) and follow the nonce; the fixed
// nonce gives one pair, so random nonces are drawn until they give the same pair.
class TSignatureTarget : public TTarget {
 public:
  explicit TSignatureTarget(std::mt19937_64& rng) : rng_(rng), inputs_(BatchSize) {
    key_.CopyFrom(RandomInteger(rng_, 15));
    fixed_ = RandomInteger(rng_, 17);
    h_ = RandomInteger(rng_, 10);
    key_.MakeSignature(fixed_, h_, r_, s_);
    rLength_ = r_.Length();
    sLength_ = s_.Length();
  }
  void Generate(std::size_t slot, int secretClass) override {
    if (secretClass == 0) {
      inputs_[slot] = fixed_;
      return;
    }
    do {
      inputs_[slot] = RandomInteger(rng_, 17);
      r_.Zero();
      key_.MakeSignature(inputs_[slot], h_, r_, s_);
    } while (r_.Length() != rLength_ || s_.Length() != sLength_);
  }
  void Load(std::size_t slot) override {
    k_ = inputs_[slot];
    r_.Zero();
  }
  void Run() override { key_.MakeSignature(k_, h_, r_, s_); }
  bool Check() const override { return r_.Length() == rLength_ && s_.Length() == sLength_; }

 private:
  std::mt19937_64& rng_;
  TECCrypt key_;
  TvlPoint fixed_, k_, h_, r_, s_;
  std::int32_t rLength_ = 0, sLength_ = 0;
  std::vector<TvlPoint> inputs_;
};

// The fixed-base primitive alone: the secret key is fixed or random, 15 digits either way.
class TPublicKeyTarget : public TTarget {
 public:
  explicit TPublicKeyTarget(std::mt19937_64& rng) : rng_(rng), inputs_(BatchSize) {
    fixed_ = RandomInteger(rng_, 15);
  }
  void Generate(std::size_t slot, int secretClass) override {
    inputs_[slot] = secretClass == 0 ? fixed_ : RandomInteger(rng_, 15);
  }
  void Load(std::size_t slot) override {
    key_.CopyFrom(inputs_[slot]);
    out_.Zero();
  }
  void Run() override { key_.MakePublicKey(out_); }

 private:
  std::mt19937_64& rng_;
  TECCrypt key_;
  TvlPoint fixed_, out_;
  std::vector<TvlPoint> inputs_;
};

// The pass-phrase generator alone (Seed, then MakeSecret): the phrase is fixed or random.
class TGeneratorTarget : public TTarget {
 public:
  explicit TGeneratorTarget(std::mt19937_64& rng)
      : rng_(rng), fixed_(RandomPhrase(rng)), inputs_(BatchSize) {}
  void Generate(std::size_t slot, int secretClass) override {
    inputs_[slot] = secretClass == 0 ? fixed_ : RandomPhrase(rng_);
  }
  void Load(std::size_t slot) override { phrase_ = inputs_[slot]; }
  void Run() override {
    eccrypt::TPRNG generator;
    generator.Seed(phrase_);
    const TECCrypt secret = generator.MakeSecret();
    benchmark_sink_ = secret.Words[1];
  }

 private:
  std::mt19937_64& rng_;
  std::string fixed_, phrase_;
  std::vector<std::string> inputs_;
  volatile std::int32_t benchmark_sink_ = 0;
};

// MakeKey: the pass phrase is fixed or random, 20 letters either way.
class TMakeKeyTarget : public TTarget {
 public:
  TMakeKeyTarget(std::mt19937_64& rng, TMode mode) : rng_(rng), inputs_(BatchSize) {
    c_.SetIOMode(mode);
    fixed_ = RandomPhrase(rng_);
  }
  void Generate(std::size_t slot, int secretClass) override {
    inputs_[slot] = secretClass == 0 ? fixed_ : RandomPhrase(rng_);
  }
  void Load(std::size_t slot) override { c_.SetPassPhrase(inputs_[slot]); }
  void Run() override { c_.MakeKey(); }
  bool Check() const override { return c_.Valid(); }

 private:
  std::mt19937_64& rng_;
  TEllipticCurve c_;
  std::string fixed_;
  std::vector<std::string> inputs_;
};

// The control: X25519 with a fixed or random scalar, one public point.
class TX25519Target : public TTarget {
 public:
  using Bytes = std::array<unsigned char, 32>;
  explicit TX25519Target(std::mt19937_64& rng) : rng_(rng), inputs_(BatchSize) {
    if (sodium_init() < 0) throw std::runtime_error("sodium_init failed");
    fixed_ = RandomBytes();
    const Bytes peerSecret = RandomBytes();
    crypto_scalarmult_base(point_.data(), peerSecret.data());
  }
  void Generate(std::size_t slot, int secretClass) override {
    inputs_[slot] = secretClass == 0 ? fixed_ : RandomBytes();
  }
  void Load(std::size_t slot) override { scalar_ = inputs_[slot]; }
  void Run() override { ok_ = crypto_scalarmult(out_.data(), scalar_.data(), point_.data()) == 0; }
  bool Check() const override { return ok_; }

 private:
  Bytes RandomBytes() {
    Bytes a{};
    for (unsigned char& b : a) b = static_cast<unsigned char>(rng_());
    return a;
  }
  std::mt19937_64& rng_;
  Bytes fixed_{}, scalar_{}, point_{}, out_{};
  std::vector<Bytes> inputs_;
  bool ok_ = false;
};

struct TOptions {
  TMode mode = TMode::Hex;
  std::size_t pool = 100000;
  std::size_t fixedCopies = 0;  // as many as the pool has texts
  bool sameKey = false;
  bool timeLoad = false;
};

std::unique_ptr<TTarget> MakeTarget(std::string_view name, std::mt19937_64& rng,
                                    const TOptions& options) {
  if (name == "decrypt") return std::make_unique<TDecryptTarget>(rng, options.mode);
  if (name == "sign") {
    return std::make_unique<TSignTarget>(rng, options.mode, options.pool, options.fixedCopies,
                                         options.sameKey);
  }
  if (name == "signature") return std::make_unique<TSignatureTarget>(rng);
  if (name == "publickey") return std::make_unique<TPublicKeyTarget>(rng);
  if (name == "generator") return std::make_unique<TGeneratorTarget>(rng);
  if (name == "makekey") return std::make_unique<TMakeKeyTarget>(rng, options.mode);
  if (name == "x25519") return std::make_unique<TX25519Target>(rng);
  return nullptr;
}

constexpr std::uint64_t WarmUp = 1000;

// Measures until each class has perClass measurements; false if an operation failed.
bool Measure(TTarget& target, std::uint64_t perClass, bool timeLoad, std::mt19937_64& rng,
             std::array<std::vector<std::uint64_t>, 2>& cycles) {
  for (auto& v : cycles) v.reserve(perClass + perClass / 8);
  std::array<int, BatchSize> classes{};
  std::array<std::uint64_t, BatchSize> counts{};
  for (std::uint64_t done = 0; cycles[0].size() < perClass || cycles[1].size() < perClass;) {
    for (std::size_t i = 0; i < BatchSize; ++i) {
      classes[i] = static_cast<int>(rng() & 1);
      target.Generate(i, classes[i]);
    }
    for (std::size_t i = 0; i < BatchSize; ++i) {
      const std::uint64_t before = Cycles();
      target.Load(i);
      const std::uint64_t start = timeLoad ? before : Cycles();
      target.Run();
      const std::uint64_t end = Cycles();
      counts[i] = end - start;
      if (!target.Check()) return false;
    }
    for (std::size_t i = 0; i < BatchSize; ++i, ++done) {
      if (done >= WarmUp) cycles[static_cast<std::size_t>(classes[i])].push_back(counts[i]);
    }
  }
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: eccrypt_timing [--measurements N] [--mode hex|base64] "
               "[--engine fast|reference] [--path NAME] [--seed S] [--pool P] "
               "[--fixed-copies C] [--same-key] [--time-load] "
               "[decrypt|sign|signature|publickey|generator|makekey|x25519]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t perClass = 100000;
  std::uint64_t seed = 1;
  TOptions options;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--measurements" && i + 1 < argc) {
      perClass = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--mode" && i + 1 < argc) {
      const std::string_view m = argv[++i];
      if (m != "hex" && m != "base64") return Usage();
      options.mode = m == "hex" ? TMode::Hex : TMode::Base64;
    } else if (arg == "--pool" && i + 1 < argc) {
      options.pool = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--fixed-copies" && i + 1 < argc) {
      options.fixedCopies = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--same-key") {
      options.sameKey = true;
    } else if (arg == "--time-load") {
      options.timeLoad = true;
    } else if (arg == "--path" && i + 1 < argc) {
      if (!eccrypt::fast::FeUseImplementation(argv[++i])) {
        std::fprintf(stderr, "no multiplication path %s on this CPU\n", argv[i]);
        return 2;
      }
    } else if (arg == "--engine" && i + 1 < argc) {
      const std::string_view e = argv[++i];
      if (e != "fast" && e != "reference") return Usage();
      eccrypt::SelectEngine(e == "fast" ? eccrypt::TEngine::Fast : eccrypt::TEngine::Reference);
    } else if (!arg.empty() && arg[0] != '-') {
      names.emplace_back(arg);
    } else {
      return Usage();
    }
  }
  if (names.empty()) names = {"decrypt", "sign", "signature", "makekey", "x25519"};

  std::mt19937_64 rng(seed);
  std::vector<std::pair<std::string, double>> summary;
  for (const std::string& name : names) {
    std::unique_ptr<TTarget> target = MakeTarget(name, rng, options);
    if (!target) return Usage();
    std::array<std::vector<std::uint64_t>, 2> cycles;
    if (!Measure(*target, perClass, options.timeLoad, rng, cycles)) {
      std::fprintf(stderr, "%s: the operation failed\n", name.c_str());
      return 1;
    }
    const auto tests = eccrypt::timing::Analyse(cycles);
    std::printf("%s: %zu fixed, %zu random measurements\n", name.c_str(), cycles[0].size(),
                cycles[1].size());
    std::printf("  %7s  %10s  %10s  %9s  %9s\n", "crop", "fixed", "random", "t 1st", "t 2nd");
    for (const auto& t : tests) {
      std::printf("  %6.1f%%  %10llu  %10llu  %9.2f  %9.2f\n", t.percentile,
                  static_cast<unsigned long long>(t.kept[0]),
                  static_cast<unsigned long long>(t.kept[1]), t.firstOrder, t.secondOrder);
    }
    summary.emplace_back(name, eccrypt::timing::MaxAbsT(tests));
    std::printf("  max |t| = %.2f\n\n", summary.back().second);
    std::fflush(stdout);
  }
  std::printf(
      "summary (max |t|, %llu measurements per class, %s engine, %s path, %s mode, seed %llu, "
      "sign: pool %zu%s, %zu fixed copies; preparation %s):\n",
      static_cast<unsigned long long>(perClass),
      eccrypt::ActiveEngine() == eccrypt::TEngine::Fast ? "fast" : "reference",
      eccrypt::fast::FeImplementation(), options.mode == TMode::Hex ? "hex" : "base64",
      static_cast<unsigned long long>(seed), options.pool,
      options.sameKey ? " of the fixed key" : "",
      options.fixedCopies == 0 ? std::max<std::size_t>(options.pool, 1) : options.fixedCopies,
      options.timeLoad ? "timed" : "untimed");
  for (const auto& [name, t] : summary) std::printf("  %-10s %8.2f\n", name.c_str(), t);
  return 0;
}
