#include "session/people.h"

#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "session/failure.h"
#include "session/text_table.h"

namespace tarn::session {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxNameBytes = 64;
constexpr std::size_t kMinPasswordLength = 8;

// A login name: letters, digits and . _ - @, as it is typed on a sign-in form and shown in logs.
void checkLoginName(const std::string& name) {
  const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' ||
           c == '@';
  });
  if (!plain) {
    refuseUsage("the name '" + printable(name) + "' may hold letters, digits and . _ - @ only");
  }
}

void requireSodium() {
  if (sodium_init() < 0) fail(Failure::Kind::kOther, "libsodium could not be initialised");
}

void checkName(const std::string& text, const char* what) {
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
  if (text.empty() || text.size() > kMaxNameBytes || control) {
    refuseUsage(std::string(what) + " '" + printable(text) + "' must be 1 to " +
                std::to_string(kMaxNameBytes) + " bytes without control characters");
  }
}

// A password hash that no password matches, verified against for an unknown name so that a
// sign-in costs the same whether the name exists or not.
const std::string& decoyHash() {
  static const std::string hash = [] {
    char text[crypto_pwhash_STRBYTES];
    const std::string password = randomToken();
    if (crypto_pwhash_str(text, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
      fail(Failure::Kind::kOther, "out of memory while hashing a password");
    }
    return std::string(text);
  }();
  return hash;
}

bool verify(const std::string& hash, std::string_view password) {
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace

std::string randomToken() {
  requireSodium();
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  char text[sodium_base64_ENCODED_LEN(32, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
  sodium_bin2base64(text, sizeof text, bytes, sizeof bytes,
                    sodium_base64_VARIANT_URLSAFE_NO_PADDING);
  return text;
}

std::string tokenHash(std::string_view token) {
  requireSodium();
  unsigned char hash[crypto_generichash_BYTES];
  crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(token.data()),
                     token.size(), nullptr, 0);
  char text[crypto_generichash_BYTES * 2 + 1];
  sodium_bin2hex(text, sizeof text, hash, sizeof hash);
  return text;
}

bool sameSecret(std::string_view a, std::string_view b) {
  return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

PeopleFile PeopleFile::load(const std::filesystem::path& path) {
  requireSodium();
  PeopleFile file;
  file.path_ = path;
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return file;
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string where = "the people file " + printable(path.string());
  if (!in) refuseUsage(where + " cannot be read");
  const Json json = Json::parse(text.str(), nullptr, false);
  if (json.is_discarded() || !json.is_object() || !json.contains("people") ||
      !json["people"].is_array()) {
    refuseUsage(where + " is not a people file");
  }
  try {
    for (const auto& entry : json["people"]) {
      file.people_.push_back(Person{entry.at("name").get<std::string>(),
                                    entry.at("erpUser").get<std::string>(),
                                    entry.at("password").get<std::string>(),
                                    entry.value("tokens", std::vector<std::string>{})});
    }
  } catch (const Json::exception&) {
    refuseUsage(where + " is not a people file");
  }
  return file;
}

void PeopleFile::save() const {
  Json people = Json::array();
  for (const auto& person : people_) {
    people.push_back({{"name", person.name},
                      {"erpUser", person.erpUser},
                      {"password", person.password},
                      {"tokens", person.tokens}});
  }
  const Json json = {{"version", 1}, {"people", people}};
  const std::filesystem::path temporary = path_.string() + ".new";
  const mode_t previous = ::umask(077);
  std::ofstream out(temporary, std::ios::trunc);
  ::umask(previous);
  out << json.dump(2) << "\n";
  out.close();
  std::error_code error;
  if (out) std::filesystem::rename(temporary, path_, error);
  if (!out || error) {
    std::filesystem::remove(temporary, error);
    fail(Failure::Kind::kOther, "cannot write the people file " + printable(path_.string()));
  }
}

const Person* PeopleFile::find(std::string_view name) const {
  for (const auto& person : people_) {
    if (person.name == name) return &person;
  }
  return nullptr;
}

void PeopleFile::add(std::string name, std::string erpUser, std::string_view password) {
  checkName(name, "the name");
  checkLoginName(name);
  checkName(erpUser, "the ERP user id");
  if (find(name)) refuseUsage("'" + printable(name) + "' is already in the people file");
  if (password.size() < kMinPasswordLength) {
    refuseUsage("the password is shorter than " + std::to_string(kMinPasswordLength) +
                " characters");
  }
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    fail(Failure::Kind::kOther, "out of memory while hashing a password");
  }
  people_.push_back(Person{std::move(name), std::move(erpUser), hash, {}});
}

bool PeopleFile::remove(std::string_view name) {
  const auto before = people_.size();
  std::erase_if(people_, [name](const Person& person) { return person.name == name; });
  return people_.size() != before;
}

std::string PeopleFile::issueToken(std::string_view name) {
  for (auto& person : people_) {
    if (person.name != name) continue;
    std::string token = randomToken();
    person.tokens.push_back(tokenHash(token));
    return token;
  }
  refuseUsage("'" + printable(std::string(name)) + "' is not in the people file");
}

const Person* PeopleFile::signIn(std::string_view name, std::string_view password) const {
  const Person* person = find(name);
  const bool matches = verify(person ? person->password : decoyHash(), password);
  return person && matches ? person : nullptr;
}

const Person* PeopleFile::bearer(std::string_view token) const {
  const std::string hash = tokenHash(token);
  const Person* found = nullptr;
  for (const auto& person : people_) {
    for (const auto& kept : person.tokens) {
      if (sameSecret(kept, hash)) found = &person;
    }
  }
  return found;
}

}  // namespace tarn::session
