// SHA-1 against the FIPS 180-1 examples, fed whole and in pieces, and against nettle.
#include "crypt/sha1.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string>

#if ZOLT_HAVE_NETTLE
#include <nettle/sha1.h>
#endif

namespace {

std::string toHex(const unsigned char* bytes, int len) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < len; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}

std::string digestOf(Hash_SHA1& hash) {
  unsigned char digest[kSha1DigestLen];
  for (int i = 0; i < kSha1DigestLen; ++i) digest[i] = hash.GetDigestByte(i);
  return toHex(digest, kSha1DigestLen);
}

// Feeds `message` in pieces of `piece` bytes.
std::string digestInPieces(const std::string& message, size_t piece) {
  Hash_SHA1 hash;
  for (size_t at = 0; at < message.size(); at += piece) {
    hash.Update(message.data() + at, static_cast<int>(std::min(piece, message.size() - at)));
  }
  hash.Finish();
  return digestOf(hash);
}

struct Published {
  const char* name;
  std::string message;
  const char* digest;
};

const Published kPublished[] = {
    {"empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"million a", std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
};

TEST(Sha1Test, PublishedExamplesGiveTheirDigests) {
  for (const Published& c : kPublished) {
    unsigned char digest[kSha1DigestLen];
    Hash_SHA1::Digest(c.message.data(), static_cast<int>(c.message.size()), digest);
    EXPECT_EQ(c.digest, toHex(digest, kSha1DigestLen)) << c.name;
    Hash_SHA1 hash;
    hash.Update(c.message);
    hash.Finish();
    EXPECT_EQ(c.digest, digestOf(hash)) << c.name;
  }
}

TEST(Sha1Test, PiecesOfEverySizeGiveTheSameDigest) {
  for (const Published& c : kPublished) {
    // Every piece size across two blocks for the short messages; the sizes around the
    // block and padding boundaries for the long one.
    std::vector<size_t> sizes = {1, 55, 56, 57, 63, 64, 65, 127, 128, 1000, 4096};
    if (c.message.size() < 1000) {
      sizes.clear();
      for (size_t s = 1; s <= 130; ++s) sizes.push_back(s);
    }
    for (size_t piece : sizes) {
      EXPECT_EQ(c.digest, digestInPieces(c.message, piece)) << c.name << " in pieces of " << piece;
    }
  }
}

TEST(Sha1Test, LengthZeroOrBelowFeedsNothing) {
  Hash_SHA1 hash;
  hash.Update("xyz", 0);
  hash.Update("a", 1);
  hash.Update("xyz", -3);
  hash.Update("bc", 2);
  hash.Update(std::string());
  hash.Finish();
  EXPECT_EQ(kPublished[1].digest, digestOf(hash));
}

TEST(Sha1Test, InitStartsANewMessage) {
  Hash_SHA1 hash;
  hash.Update(std::string(100, 'x'));
  hash.Finish();
  hash.Init();
  hash.Update("abc", 3);
  hash.Finish();
  EXPECT_EQ(kPublished[1].digest, digestOf(hash));
}

// A password fed to the hash must not stay in its memory once the object is gone.
TEST(Sha1Test, DestructionWipesTheBufferedMessage) {
  const std::string secret = "correct horse";
  alignas(Hash_SHA1) unsigned char storage[sizeof(Hash_SHA1)];
  Hash_SHA1* hash = new (storage) Hash_SHA1;
  hash->Update(secret);
  hash->~Hash_SHA1();
  std::string left(reinterpret_cast<char*>(storage), sizeof storage);
  EXPECT_EQ(std::string::npos, left.find(secret));
  EXPECT_EQ(std::string(sizeof storage, '\0'), left);
}

#if ZOLT_HAVE_NETTLE
TEST(Sha1Test, MatchesNettleOverRandomMessagesAndSplits) {
  std::mt19937 rng(20240601);
  for (int len = 0; len <= 300; ++len) {
    std::string message(len, '\0');
    for (char& c : message) c = static_cast<char>(rng());
    struct sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_update(&ctx, message.size(), reinterpret_cast<const uint8_t*>(message.data()));
    uint8_t expected[SHA1_DIGEST_SIZE];
    sha1_digest(&ctx, sizeof expected, expected);

    Hash_SHA1 hash;
    for (size_t at = 0; at < message.size();) {
      size_t piece = std::min<size_t>(1 + rng() % 70, message.size() - at);
      hash.Update(message.data() + at, static_cast<int>(piece));
      at += piece;
    }
    hash.Finish();
    EXPECT_EQ(toHex(expected, SHA1_DIGEST_SIZE), digestOf(hash)) << "length " << len;
  }
}
#else
TEST(Sha1Test, MatchesNettleOverRandomMessagesAndSplits) { GTEST_SKIP() << "nettle not found"; }
#endif

}  // namespace
