#include "archive/mod_encryption.h"

#include <vector>

namespace modEncryption {

QByteArray fnScramblePassword(const QByteArray& password) {
  // a[1..n] as in the server's description; a[0] is unused so the indexes read the same.
  const int n = static_cast<int>(password.size()) + 1;
  std::vector<unsigned> a(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i < n; ++i) a[i] = static_cast<unsigned char>(password[i - 1]);
  a[n] = 'X';
  for (int i = 2; i <= n; ++i) a[i] = ((a[i - 1] * 159) % 256) ^ a[i - 1] ^ a[i];
  for (int i = n - 1; i >= 1; --i) a[i] = ((a[i + 1] * 13) % 256) ^ a[i + 1] ^ a[i];
  for (int i = 3; i <= n; ++i) a[i] = ((a[i - 1] * 87) % 256) ^ a[i - 2] ^ a[i];
  for (int i = n - 2; i >= 1; --i) a[i] = ((a[i + 1] * 46) % 256) ^ a[i + 2] ^ a[i];
  QByteArray out(n, '\0');
  for (int i = 1; i <= n; ++i) out[i - 1] = static_cast<char>(a[i]);
  return out;
}

}  // namespace modEncryption
