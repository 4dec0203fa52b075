#include "session/scram.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "session/failure.h"

namespace tarn::session {
namespace {

using Digest = std::array<unsigned char, crypto_auth_hmacsha256_BYTES>;
constexpr int kIterations = 4096;

Digest hmac(std::string_view key, const unsigned char* message, std::size_t length) {
  crypto_auth_hmacsha256_state state;
  crypto_auth_hmacsha256_init(&state, reinterpret_cast<const unsigned char*>(key.data()),
                              key.size());
  crypto_auth_hmacsha256_update(&state, message, length);
  Digest digest;
  crypto_auth_hmacsha256_final(&state, digest.data());
  return digest;
}

// PBKDF2-HMAC-SHA-256 with one output block, as SCRAM derives its salted password.
Digest saltedPassword(std::string_view password, const unsigned char* salt, std::size_t length) {
  std::string first(reinterpret_cast<const char*>(salt), length);
  first += std::string("\0\0\0\1", 4);
  Digest u = hmac(password, reinterpret_cast<const unsigned char*>(first.data()), first.size());
  Digest result = u;
  for (int i = 1; i < kIterations; ++i) {
    u = hmac(password, u.data(), u.size());
    for (std::size_t b = 0; b < result.size(); ++b) result[b] ^= u[b];
  }
  return result;
}

std::string base64(const unsigned char* bytes, std::size_t length) {
  std::string text(sodium_base64_ENCODED_LEN(length, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes, length, sodium_base64_VARIANT_ORIGINAL);
  text.resize(std::strlen(text.c_str()));
  return text;
}

}  // namespace

std::string scramSha256Verifier(std::string_view password) {
  const bool printable =
      !password.empty() &&
      std::all_of(password.begin(), password.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
  if (!printable) refuseUsage("the password must be printable ASCII characters");
  if (sodium_init() < 0) fail(Failure::Kind::kOther, "libsodium could not be initialised");
  std::array<unsigned char, 16> salt;
  randombytes_buf(salt.data(), salt.size());
  const Digest salted = saltedPassword(password, salt.data(), salt.size());
  const std::string_view key(reinterpret_cast<const char*>(salted.data()), salted.size());
  const Digest clientKey =
      hmac(key, reinterpret_cast<const unsigned char*>("Client Key"), std::strlen("Client Key"));
  const Digest serverKey =
      hmac(key, reinterpret_cast<const unsigned char*>("Server Key"), std::strlen("Server Key"));
  Digest storedKey;
  crypto_hash_sha256(storedKey.data(), clientKey.data(), clientKey.size());
  return "SCRAM-SHA-256$" + std::to_string(kIterations) + ":" + base64(salt.data(), salt.size()) +
         "$" + base64(storedKey.data(), storedKey.size()) + ":" +
         base64(serverKey.data(), serverKey.size());
}

}  // namespace tarn::session
