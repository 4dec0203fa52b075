// The people who may use velloc serve, kept in a file of their own (--users FILE): for each
// person a login name, the ERP user id their component calls run under, a password hash made by
// libsodium's crypto_pwhash_str (Argon2id), and the hashes of the bearer tokens issued to them.
// No password or token is ever kept in the clear. The file is JSON, written whole to a temporary
// file that is then renamed over it, readable by its owner only.
//
// A loaded PeopleFile is a value: the server loads it once and only reads it, from any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::session {

struct Person {
  std::string name;                 // the login name
  std::string erpUser;              // the ERP user id handed to Init for this person's calls
  std::string password;             // crypto_pwhash_str's text
  std::vector<std::string> tokens;  // the hashes of the bearer tokens issued to the person
};

class PeopleFile {
 public:
  // Reads `path`; a file that does not exist yet is an empty list. Raises RequestError (a usage
  // error naming the file) when it cannot be read or is not a people file.
  static PeopleFile load(const std::filesystem::path& path);

  // Writes the list to its file; raises RequestError when it cannot.
  void save() const;

  std::span<const Person> people() const { return people_; }
  const Person* find(std::string_view name) const;

  // Adds a person with `password` hashed; raises RequestError (usage) for a name that is taken,
  // or a name or user id that is empty, over 64 bytes or holds control characters.
  void add(std::string name, std::string erpUser, std::string_view password);

  // Removes the person; false when there is none of that name.
  bool remove(std::string_view name);

  // A new bearer token for the person, returned once and kept only as its hash; raises
  // RequestError (usage) when there is none of that name.
  std::string issueToken(std::string_view name);

  // The person whose name and password these are, else nothing. Every call costs one password
  // verification, also for an unknown name, so that timing does not tell names apart.
  const Person* signIn(std::string_view name, std::string_view password) const;

  // The person a bearer token was issued to, else nothing.
  const Person* bearer(std::string_view token) const;

 private:
  std::filesystem::path path_;
  std::vector<Person> people_;
};

// 32 random bytes (256 bits) as base64url text without padding: bearer tokens and session ids.
std::string randomToken();

// A token's hash as kept in the people file (BLAKE2b, hex); tokens are random, so a fast hash
// serves where a password needs a slow one.
std::string tokenHash(std::string_view token);

// True when `a` and `b` are equal, in time that depends on their length only.
bool sameSecret(std::string_view a, std::string_view b);

}  // namespace tarn::session
