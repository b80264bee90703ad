// Twofish against the published known answers and nettle, and the byte-buffer front end:
// lengths, padding, the CBC front block and ciphertexts made by the earlier chaining.
#include "crypt/twofish.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypt/random_source.h"

#if ZOLT_HAVE_NETTLE
#include <nettle/twofish.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string toHex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

// Takes ownership of a malloc'ed result.
Bytes take(unsigned char* buffer, int len) {
  Bytes bytes;
  if (buffer != nullptr) bytes.assign(buffer, buffer + len);
  free(buffer);
  return bytes;
}

Bytes encrypt(const Bytes& data, const Bytes& key, bool cbc, bool* ok = nullptr) {
  int outLen = -1;
  unsigned char* out = Twofish::Encrypt(data.data(), static_cast<int>(data.size()), key.data(),
                                        static_cast<int>(key.size()), outLen, cbc);
  if (ok != nullptr) *ok = out != nullptr;
  return take(out, outLen);
}

Bytes decrypt(const Bytes& data, const Bytes& key, bool cbc) {
  int outLen = -1;
  unsigned char* out = Twofish::Decrypt(data.data(), static_cast<int>(data.size()), key.data(),
                                        static_cast<int>(key.size()), outLen, cbc);
  return take(out, outLen);
}

Bytes randomBytes(std::mt19937& rng, size_t n) {
  Bytes bytes(n);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

bool noRandomBytes(unsigned char*, size_t) { return false; }

const Bytes kKey = fromHex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF");

class TwofishTest : public ::testing::Test {
 protected:
  void TearDown() override { RandomSource::setForTesting(nullptr); }
};

TEST_F(TwofishTest, PublishedKnownAnswers) {
  static const struct {
    const char* key;
    const char* plain;
    const char* cipher;
  } kCases[] = {
      {"00000000000000000000000000000000", "00000000000000000000000000000000",
       "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
      {"0123456789ABCDEFFEDCBA98765432100011223344556677", "00000000000000000000000000000000",
       "CFD1D2E5A9BE9CDF501F13B892BD2248"},
      {"0000000000000000000000000000000000000000000000000000000000000000",
       "00000000000000000000000000000000", "57FF739D4DC92C1BD7FC01700CC8216F"},
      {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
       "00000000000000000000000000000000", "37527BE0052334B89F0CFCCAE87CFA20"},
      {"D43BB7556EA32E46F2A282B7D45B4E0D57FF739D4DC92C1BD7FC01700CC8216F",
       "90AFE91BB288544F2C32DC239B2635E6", "6CB4561C40BF0A9705931CB6D408E7FA"},
  };
  for (const auto& c : kCases) {
    Bytes key = fromHex(c.key), plain = fromHex(c.plain);
    EXPECT_EQ(c.cipher, toHex(encrypt(plain, key, false))) << c.key;
    EXPECT_EQ(c.plain, toHex(decrypt(fromHex(c.cipher), key, false))) << c.key;
    // The inner interface, keyed from raw key material, gives the same.
    T_keyInstance ki;
    T_cipherInstance ci;
    ASSERT_EQ(kTwofishOk, Twofish::makeKey(&ki, kTwofishDirEncrypt,
                                           static_cast<int>(key.size()) * 8, key.data()));
    ASSERT_EQ(kTwofishOk, Twofish::cipherInit(&ci, kTwofishModeEcb, nullptr));
    Bytes out(16);
    EXPECT_EQ(128, Twofish::blockEncrypt(&ci, &ki, plain.data(), 128, out.data())) << c.key;
    EXPECT_EQ(c.cipher, toHex(out)) << c.key;
  }
}

// The published tables chain 49 encryptions: each plaintext is the previous ciphertext and
// each key the previous plaintext followed by the front of the previous key.
TEST_F(TwofishTest, PublishedChainsOfFortyNineEncryptionsEndRight) {
  static const struct {
    int keyBytes;
    const char* last;
  } kCases[] = {{16, "5D9D4EEFFA9151575524F115815A12E0"},
                {24, "E75449212BEEF9F4A390BD860A640941"},
                {32, "37FE26FF1CF66175F5DDF4C33B97A205"}};
  for (const auto& c : kCases) {
    Bytes key(c.keyBytes, 0), plain(16, 0), cipher;
    for (int i = 1; i <= 49; ++i) {
      cipher = encrypt(plain, key, false);
      ASSERT_EQ(plain, decrypt(cipher, key, false)) << c.keyBytes << " step " << i;
      Bytes next(plain);
      next.insert(next.end(), key.begin(), key.end() - 16);
      key = next;
      plain = cipher;
    }
    EXPECT_EQ(c.last, toHex(cipher)) << c.keyBytes;
  }
}

TEST_F(TwofishTest, OutputLengthsAndRoundTrips) {
  static const struct {
    int len;
    bool cbc;
    int outLen;
  } kCases[] = {{0, false, 0},  {16, false, 16}, {20, false, 32}, {32, false, 32},
                {0, true, 16},  {1, true, 32},   {15, true, 32},  {16, true, 32},
                {17, true, 48}, {32, true, 48},  {33, true, 64}};
  std::mt19937 rng(7);
  for (const auto& c : kCases) {
    Bytes data = randomBytes(rng, c.len);
    Bytes cipher = encrypt(data, kKey, c.cbc);
    EXPECT_EQ(static_cast<size_t>(c.outLen), cipher.size()) << c.len << " cbc " << c.cbc;
    Bytes plain = decrypt(cipher, kKey, c.cbc);
    // The plaintext keeps its pad bytes; the front block is gone.
    ASSERT_EQ(static_cast<size_t>(c.outLen - (c.cbc ? 16 : 0)), plain.size()) << c.len;
    EXPECT_EQ(data, Bytes(plain.begin(), plain.begin() + c.len)) << c.len << " cbc " << c.cbc;
  }
}

TEST_F(TwofishTest, WholeEcbBlocksNeedNoRandomBytes) {
  RandomSource::setForTesting(noRandomBytes);
  bool ok = false;
  EXPECT_EQ(32u, encrypt(Bytes(32, 1), kKey, false, &ok).size());
  EXPECT_TRUE(ok);
  // Pad bytes and front blocks must be random: without a source there is no ciphertext.
  encrypt(Bytes(20, 1), kKey, false, &ok);
  EXPECT_FALSE(ok);
  encrypt(Bytes(16, 1), kKey, true, &ok);
  EXPECT_FALSE(ok);
}

TEST_F(TwofishTest, DecryptZeroExtendsAShortInput) {
  Bytes cipher = fromHex("0123456789ABCDEF0123456789ABCDEF01234567");
  Bytes extended = cipher;
  extended.resize(32, 0);
  for (bool cbc : {false, true}) {
    Bytes plain = decrypt(cipher, kKey, cbc);
    EXPECT_EQ(cbc ? 16u : 32u, plain.size()) << cbc;
    EXPECT_EQ(decrypt(extended, kKey, cbc), plain) << cbc;
  }
}

TEST_F(TwofishTest, EqualTextsGiveUnrelatedCbcCiphertexts) {
  Bytes text(48, 'n');
  Bytes first = encrypt(text, kKey, true), second = encrypt(text, kKey, true);
  ASSERT_EQ(64u, first.size());
  Bytes zeroBlock = encrypt(Bytes(16, 0), kKey, false);
  for (size_t block = 0; block < 4; ++block) {
    Bytes a(first.begin() + 16 * block, first.begin() + 16 * block + 16);
    Bytes b(second.begin() + 16 * block, second.begin() + 16 * block + 16);
    EXPECT_NE(a, b) << "block " << block;
    // Chaining from the front block itself made every block 0 this same value.
    EXPECT_NE(zeroBlock, a) << "block " << block;
  }
}

// Earlier files were written with the chain started from the front block itself; the
// decryption must keep reading them.
TEST_F(TwofishTest, CiphertextChainedFromTheFrontBlockStillDecrypts) {
  const std::string text = "an old note, written before the chain started from zero";
  Bytes plain = fromHex("00112233445566778899AABBCCDDEEFF");  // the front block
  plain.insert(plain.end(), text.begin(), text.end() + 1);    // with its NUL
  plain.resize((plain.size() + 15) / 16 * 16, 0x5A);          // pad
  T_keyInstance ki;
  T_cipherInstance ci;
  ASSERT_EQ(kTwofishOk, Twofish::makeKey(&ki, kTwofishDirEncrypt, 256, kKey.data()));
  ASSERT_EQ(kTwofishOk, Twofish::cipherInit(&ci, kTwofishModeCbc, plain.data()));
  Bytes old(plain.size());
  int bits = static_cast<int>(plain.size()) * 8;
  ASSERT_EQ(bits, Twofish::blockEncrypt(&ci, &ki, plain.data(), bits, old.data()));
  ASSERT_EQ(encrypt(Bytes(16, 0), kKey, false), Bytes(old.begin(), old.begin() + 16));

  Bytes decrypted = decrypt(old, kKey, true);
  ASSERT_EQ(plain.size() - 16, decrypted.size());
  EXPECT_EQ(text, std::string(reinterpret_cast<char*>(decrypted.data())));
}

TEST_F(TwofishTest, BadArgumentsAreRefused) {
  T_keyInstance ki;
  T_cipherInstance ci;
  EXPECT_EQ(kTwofishBadKeyDir, Twofish::makeKey(&ki, 2, 256, nullptr));
  EXPECT_EQ(kTwofishBadKeyMat, Twofish::makeKey(&ki, kTwofishDirEncrypt, 0, nullptr));
  EXPECT_EQ(kTwofishBadKeyMat, Twofish::makeKey(&ki, kTwofishDirEncrypt, 264, nullptr));
  EXPECT_EQ(kTwofishBadCipherMode, Twofish::cipherInit(&ci, kTwofishModeCfb1, nullptr));
  ASSERT_EQ(kTwofishOk, Twofish::makeKey(&ki, kTwofishDirEncrypt, 256, kKey.data()));
  ASSERT_EQ(kTwofishOk, Twofish::cipherInit(&ci, kTwofishModeEcb, nullptr));
  unsigned char block[32] = {0};
  EXPECT_EQ(kTwofishBadInputLen, Twofish::blockEncrypt(&ci, &ki, block, 100, block));
  EXPECT_EQ(kTwofishBadInputLen, Twofish::blockDecrypt(&ci, &ki, block, -128, block));
  int outLen = 0;
  EXPECT_EQ(nullptr, Twofish::Decrypt(block, 0, kKey.data(), 32, outLen, true));
  EXPECT_EQ(nullptr, Twofish::Encrypt(block, 16, kKey.data(), 33, outLen, false));
  EXPECT_EQ(nullptr, Twofish::Encrypt(block, -1, kKey.data(), 32, outLen, false));
}

#if ZOLT_HAVE_NETTLE
TEST_F(TwofishTest, EcbMatchesNettleOverRandomKeysAndData) {
  std::mt19937 rng(1998);
  for (int round = 0; round < 300; ++round) {
    Bytes key = randomBytes(rng, 16 + 8 * (round % 3));
    Bytes data = randomBytes(rng, 16 * (1 + rng() % 8));
    struct twofish_ctx ctx;
    twofish_set_key(&ctx, key.size(), key.data());
    Bytes expected(data.size());
    twofish_encrypt(&ctx, data.size(), expected.data(), data.data());
    EXPECT_EQ(toHex(expected), toHex(encrypt(data, key, false))) << "round " << round;
    EXPECT_EQ(data, decrypt(expected, key, false)) << "round " << round;
  }
}

// CBC in both directions against nettle's block cipher and a chain done by hand.
TEST_F(TwofishTest, CbcMatchesNettleChaining) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 100; ++round) {
    Bytes key = randomBytes(rng, 32), text = randomBytes(rng, 16 * (rng() % 6));
    struct twofish_ctx ctx;
    twofish_set_key(&ctx, key.size(), key.data());
    // Ours to nettle: each block decrypts to the text XOR the previous ciphertext block.
    Bytes cipher = encrypt(text, key, true);
    ASSERT_EQ(text.size() + 16, cipher.size());
    for (size_t at = 16; at < cipher.size(); at += 16) {
      unsigned char block[16];
      twofish_decrypt(&ctx, 16, block, cipher.data() + at);
      for (int i = 0; i < 16; ++i) block[i] ^= cipher[at - 16 + i];
      EXPECT_EQ(0, memcmp(block, text.data() + at - 16, 16)) << "round " << round;
    }
    // Nettle to ours: a random front block, then the text chained behind it.
    Bytes made = randomBytes(rng, 16);
    for (size_t at = 0; at < text.size(); at += 16) {
      unsigned char block[16];
      for (int i = 0; i < 16; ++i) block[i] = text[at + i] ^ made[at + i];
      made.resize(made.size() + 16);
      twofish_encrypt(&ctx, 16, made.data() + at + 16, block);
    }
    EXPECT_EQ(text, decrypt(made, key, true)) << "round " << round;
  }
}
#else
TEST_F(TwofishTest, EcbMatchesNettleOverRandomKeysAndData) { GTEST_SKIP() << "nettle not found"; }
#endif

}  // namespace

// A front block given by the caller goes first, encrypted as the chain's start, and the
// decryption gives it back.
TEST_F(TwofishTest, AGivenFrontBlockIsEncryptedFirstAndGivenBack) {
  const Bytes front = fromHex("000102030405060708090A0B0C0D0E0F");
  const std::string text = "a note of more than one block, with its NUL";
  int outLen = 0;
  unsigned char* made = Twofish::Encrypt(reinterpret_cast<const unsigned char*>(text.c_str()),
                                         static_cast<int>(text.size()) + 1, kKey.data(), 32, outLen,
                                         true, front.data());
  Bytes cipher = take(made, outLen);
  ASSERT_EQ(16u + 48u, cipher.size());
  EXPECT_EQ(encrypt(front, kKey, false), Bytes(cipher.begin(), cipher.begin() + 16));
  unsigned char back[16] = {0};
  unsigned char* opened = Twofish::Decrypt(cipher.data(), static_cast<int>(cipher.size()),
                                           kKey.data(), 32, outLen, true, back);
  Bytes plain = take(opened, outLen);
  EXPECT_EQ(front, Bytes(back, back + 16));
  ASSERT_EQ(48u, plain.size());
  EXPECT_EQ(text, std::string(reinterpret_cast<char*>(plain.data())));
}
