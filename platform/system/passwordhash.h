// One-way password hashes through the system's libcrypt (yescrypt), so that a stored
// password cannot be read back.
#pragma once

#include <QString>

namespace orvane {

// The prefix every hash made here starts with.
inline constexpr char kPasswordHashPrefix[] = "$y$";

// True when the stored text is a hash made by HashPassword (it starts with the prefix).
bool IsPasswordHash(const QString& stored);

// A fresh yescrypt hash of the password (its UTF-8 bytes) with a random salt; empty when
// libcrypt fails (logged).
QString HashPassword(const QString& password);

// True when the password hashes to the stored hash. A malformed hash never matches.
bool VerifyPassword(const QString& password, const QString& hash);

}  // namespace orvane
