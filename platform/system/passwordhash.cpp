// Password hashes over libcrypt.
#include "platform/system/passwordhash.h"

#include <crypt.h>

#include <QByteArray>
#include <QDebug>
#include <memory>

namespace orvane {

namespace {

// crypt_rn needs a 32 KiB work area; it is wiped after use because it held the password.
struct CryptArea {
  CryptArea() : data(std::make_unique<crypt_data>()) {}
  ~CryptArea() { explicit_bzero(data.get(), sizeof(crypt_data)); }
  std::unique_ptr<crypt_data> data;
};

QByteArray cryptOnce(const QByteArray& phrase, const QByteArray& setting) {
  CryptArea area;
  const char* out = crypt_rn(phrase.constData(), setting.constData(), area.data.get(), int(sizeof(crypt_data)));
  // libcrypt reports failure by a null result or a token starting with "*".
  if (!out || out[0] == '*') return {};
  return QByteArray(out);
}

// Compares without stopping at the first difference, so the time taken tells nothing.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace

bool IsPasswordHash(const QString& stored) { return stored.startsWith(QLatin1String(kPasswordHashPrefix)); }

QString HashPassword(const QString& password) {
  char setting[CRYPT_GENSALT_OUTPUT_SIZE];
  // No random bytes given: libcrypt draws the salt from the system's entropy source.
  if (!crypt_gensalt_rn(kPasswordHashPrefix, 0, nullptr, 0, setting, int(sizeof setting))) {
    qWarning() << "password: libcrypt cannot make a yescrypt salt";
    return {};
  }
  QByteArray phrase = password.toUtf8();
  const QByteArray hash = cryptOnce(phrase, QByteArray(setting));
  explicit_bzero(phrase.data(), std::size_t(phrase.size()));
  if (!IsPasswordHash(QString::fromLatin1(hash))) {
    qWarning() << "password: libcrypt cannot hash with yescrypt";
    return {};
  }
  return QString::fromLatin1(hash);
}

bool VerifyPassword(const QString& password, const QString& hash) {
  if (!IsPasswordHash(hash)) return false;
  const QByteArray stored = hash.toLatin1();
  QByteArray phrase = password.toUtf8();
  const QByteArray again = cryptOnce(phrase, stored);
  explicit_bzero(phrase.data(), std::size_t(phrase.size()));
  return !again.isEmpty() && sameBytes(again, stored);
}

}  // namespace orvane
